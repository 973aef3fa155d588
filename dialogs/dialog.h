// A dialog made from a numbered template: modal (DoModal) or a child
// window (Create). `this` is stored in the window at WM_INITDIALOG and
// every later message is dispatched to the virtual handlers below.
#pragma once

#include <windows.h>

#include <string>

class CDataExchange;

class CDialog {
 public:
  explicit CDialog(UINT templateId) : m_nTemplate(templateId) {}
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog modally; returns the value given to EndDialog, or -1.
  INT_PTR DoModal(HWND owner);
  // Creates the dialog as a modeless window (a child when its template says so).
  bool Create(HWND parent);

  HWND GetHwnd() const { return m_hWnd; }
  UINT GetTemplateId() const { return m_nTemplate; }

  // Runs DoDataExchange: controls -> members when `save`, else members ->
  // controls. False when a value was refused (the box has been shown).
  bool UpdateData(bool save);

  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  void EnableItem(int id, bool enable) const { EnableWindow(Item(id), enable ? TRUE : FALSE); }
  void ShowItem(int id, bool show) const { ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }
  void SetItemText(int id, const char* gbk) const;
  std::string GetItemText(int id) const;

 protected:
  // WM_INITDIALOG. The base fills the controls from the members. Return
  // TRUE to let the system set the focus.
  virtual BOOL OnInit();
  virtual void DoDataExchange(CDataExchange& /*dx*/) {}
  // WM_COMMAND from a control or menu. True when handled. The base sends
  // IDOK and IDCANCEL to OnOK and OnCancel.
  virtual bool OnCommand(int id, int code);
  // WM_NOTIFY. True when handled; `result` becomes the message's result.
  virtual bool OnNotify(int /*id*/, NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
  // Any other message. True when handled; `result` is returned from the
  // dialog procedure as it stands (see DialogProc in the documentation
  // for the messages that return a value directly).
  virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, INT_PTR& /*result*/) { return false; }
  // The base ends a modal dialog; a child dialog ignores them.
  virtual void OnOK();
  virtual void OnCancel();

  void EndDialog(INT_PTR result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

  UINT m_nTemplate;
  HWND m_hWnd = nullptr;
  bool m_bModal = false;
};
