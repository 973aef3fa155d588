#include "ui/config_dlg.h"

#include "dialogs/data_exchange.h"
#include "dialogs/gbk_text.h"
#include "dialogs/message_box.h"
#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/notify.h"
#include "protocol/settings_jobs.h"
#include "resource.h"
#include "serial/serial.h"
#include "ui/ui_texts.h"
#include "ui/window_notify_sink.h"

CConfigDlg* g_pConfigDlg = nullptr;

namespace {

// The controls that follow the port: enabled while it is open.
const int kFormControls[] = {
    IDC_CFG_CHANNEL,     IDC_CFG_HEADSET_EARHOOK, IDC_CFG_HEADSET_HEADBAND, IDC_CFG_VOX_NORMAL, IDC_CFG_VOX_LOCK,
    IDC_CFG_SET,         IDC_CFG_SCENE_LEVEL,     IDC_CFG_EXTENSION,        IDC_CFG_PASSWORD,   IDC_CFG_PTT_NORMAL,
    IDC_CFG_PTT_LOCK,    IDC_CFG_GROUP,           IDC_CFG_NOISE_LEVEL,      IDC_CFG_POWER,
};

std::string LocalTimeStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  return text;
}

std::wstring Trimmed(const std::wstring& text) {
  std::size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::wstring();
  std::size_t last = text.find_last_not_of(L" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

CConfigDlg::CConfigDlg() : CDialog(IDD_CONFIG_DIALOG) { g_pConfigDlg = this; }

CConfigDlg::~CConfigDlg() {
  if (g_pConfigDlg == this) g_pConfigDlg = nullptr;
}

void CConfigDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Control(dx, IDC_CFG_PORT, m_cbPort);
  DDX_Control(dx, IDC_CFG_HOST_TYPE, m_cbHostType);
  DDX_Control(dx, IDC_CFG_INFO, m_editInfo);
  DDX_Control(dx, IDC_CFG_SCENE_LEVEL, m_cbSceneLevel);
  DDX_Control(dx, IDC_CFG_NOISE_LEVEL, m_cbNoiseLevel);
  DDX_Control(dx, IDC_CFG_POWER, m_cbPower);

  DDX_Radio(dx, IDC_CFG_HEADSET_EARHOOK, m_nHeadsetType);
  DDX_Radio(dx, IDC_CFG_VOX_NORMAL, m_nVoxMode);
  DDX_Text(dx, IDC_CFG_INFO, m_strInfo);
  DDX_Text(dx, IDC_CFG_CHANNEL, m_nChannel);
  DDV_MinMaxInt(dx, m_nChannel, 2, 90);
  DDX_Text(dx, IDC_CFG_EXTENSION, m_nExtension);
  DDX_Text(dx, IDC_CFG_PASSWORD, m_nPassword);
  DDX_Radio(dx, IDC_CFG_PTT_NORMAL, m_nPttMode);
  DDX_Text(dx, IDC_CFG_GROUP, m_nGroup);
}

BOOL CConfigDlg::OnInit() {
  CDialog::OnInit();
  // Appending must not stop at the edit's default limit of 30000 characters.
  m_editInfo.SetLimitText(0);

  ListPorts();
  FillPortList(true);
  m_bPortOpen = 0;
  FillValueLists();
  EnableItem(IDC_CFG_PORT, true);
  EnableItem(IDC_CFG_OPEN, true);
  EnableForm(false);
  UpdateData(false);
  return TRUE;
}

bool CConfigDlg::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_CFG_OPEN:
      OnOpenClose();
      return true;
    case IDC_CFG_REFRESH:
      OnRefresh();
      return true;
    case IDC_CFG_SET:
      OnSet();
      return true;
    default:
      return false;
  }
}

bool CConfigDlg::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, INT_PTR& result) {
  switch (msg) {
    case WM_CFG_INFO: {
      CPostedText text(wp);
      AppendInfoLine(text.Get());
      break;
    }
    case WM_CFG_READ_RESULT:
      ReportInfo(wp ? ui_texts::kReadSucceeded : ui_texts::kReadFailed);
      break;
    case WM_CFG_WRITE_RESULT:
      ReportInfo(wp ? ui_texts::kWriteSucceeded : ui_texts::kWriteFailed);
      break;
    case WM_CFG_SHOW_SETTINGS:
      OnShowSettings();
      break;
    case WM_CFG_START_READ:
      OnStartRead();
      break;
    default:
      return false;
  }
  result = 0;
  return true;
}

// A failure keeps what was found before it and is shown in the information box.
void CConfigDlg::ListPorts() {
  try {
    ListSerialPorts(m_arrPorts);
  } catch (const std::string& reason) {
    LogWrite(LOG_DEBUG, "%s", reason.c_str());
    AppendInfoLine((reason + "\r\n").c_str());
  }
}

void CConfigDlg::FillPortList(bool log) {
  m_cbPort.ResetContent();
  for (const SSerInfo& port : m_arrPorts) {
    m_cbPort.AddString(AnsiToWide(port.strFriendlyName.c_str()));
    if (log) LogWrite(LOG_DEBUG, "%s %s", port.strPortName.c_str(), port.strDescription.c_str());
  }
  m_cbPort.SetCurSel(0);
}

// The port chosen in the list, or a port name typed into the box's edit
// field that is not in the list. False when there is neither.
bool CConfigDlg::SelectedPort(SSerInfo& port) const {
  std::wstring typed = Trimmed(m_cbPort.GetTextW());
  int index = m_cbPort.GetCurSel();
  if (index >= 0 && index < static_cast<int>(m_arrPorts.size()) &&
      (typed.empty() || typed == AnsiToWide(m_arrPorts[index].strFriendlyName.c_str()))) {
    port = m_arrPorts[index];
    return true;
  }
  if (typed.empty()) return false;
  port = PortRecordForName(WideToAnsi(typed.c_str()));
  return true;
}

void CConfigDlg::OnOpenClose() {
  if (!m_bPortOpen) {
    SSerInfo port;
    if (!SelectedPort(port) || port.strDevPath.empty()) return;
    LogWrite(LOG_DEBUG, "Open %s %s", port.strPortName.c_str(), port.strDescription.c_str());
    if (SerialOpen(port.strPortName.c_str()) != 0) {
      ShowMessage(GetHwnd(), ui_texts::kOpenPortFailed, MB_OK);
      return;
    }
    ShowPortState(true);
  } else {
    SerialClose();
    ListPorts();
    FillPortList(false);
    ShowPortState(false);
  }
}

// The panel, the form and the import page's buttons follow the port.
void CConfigDlg::ShowPortState(bool open) {
  m_bPortOpen = open ? 1 : 0;
  SetItemText(IDC_CFG_OPEN, open ? ui_texts::kClosePort : ui_texts::kOpenPort);
  EnableItem(IDC_CFG_PORT, !open);
  EnableItem(IDC_CFG_OPEN, true);
  EnableItem(IDC_CFG_REFRESH, !open);
  EnableForm(open);
  PostToPage(Page::Import, WM_IMPORT_ENABLE, open ? 1 : 0);
}

void CConfigDlg::OnRefresh() {
  ListPorts();
  FillPortList(true);
}

void CConfigDlg::EnableForm(bool enable) const {
  for (int id : kFormControls) EnableItem(id, enable);
}

// Appends "HH:MM:SS " and the text at the end of the box. Only the box
// changes: the form keeps what the operator has typed and not yet set.
void CConfigDlg::AppendInfoLine(const char* text) {
  std::string line = LocalTimeStamp() + " " + text;
  m_strInfo += line;
  m_editInfo.AppendText(GbkToWide(line).c_str());
  m_editInfo.LineScroll(m_editInfo.GetLineCount());
}

void CConfigDlg::OnStartRead() { StartJob(ReadAllSettings, &m_settings, Page::Config); }
