// The settings form of the settings page: record -> form when a job has
// finished, form -> record and the write job on Set.
#include "dialogs/data_exchange.h"
#include "dialogs/message_box.h"
#include "protocol/jobs.h"
#include "protocol/notify.h"
#include "protocol/settings_jobs.h"
#include "protocol/startup_detector.h"
#include "resource.h"
#include "ui/config_dlg.h"
#include "ui/ui_texts.h"

namespace {

// The controls whose use depends on the unit's role.
const int kRoleControls[] = {IDC_CFG_VOX_NORMAL, IDC_CFG_VOX_LOCK, IDC_CFG_EXTENSION, IDC_CFG_PTT_NORMAL,
                             IDC_CFG_PTT_LOCK};

enum { kRoleExtension = 0, kRoleMain = 1, kRoleAuto = 2 };

template <std::size_t N>
void FillList(const CComboBox& list, const char* const (&entries)[N]) {
  list.ResetContent();
  for (const char* entry : entries) list.AddString(entry);
}

}  // namespace

void CConfigDlg::FillValueLists() const {
  FillList(m_cbSceneLevel, ui_texts::kSceneLevels);
  FillList(m_cbNoiseLevel, ui_texts::kNoiseLevels);
  FillList(m_cbPower, ui_texts::kPowerLevels);
}

void CConfigDlg::OnShowSettings() {
  const SDevSettings& s = m_settings;
  switch (s.nWorkMode) {
    case kRoleExtension:
    case kRoleMain:
    case kRoleAuto:
      m_cbHostType.SetText(ui_texts::kRoles[s.nWorkMode]);
      for (int id : kRoleControls) EnableItem(id, s.nWorkMode != kRoleMain);
      if (s.nWorkMode == kRoleAuto) EnableItem(IDC_CFG_EXTENSION, false);
      break;
    default:
      break;
  }
  // Only SOLVIK units have a group number.
  EnableItem(IDC_CFG_GROUP, nDevFamily != DEV_FAMILY_MARVEK);
  EnableItem(IDC_CFG_SCENE_LEVEL, true);

  m_cbNoiseLevel.SetCurSel(s.bNoiseSuppress ? s.nSuppressLevel : 0);
  m_cbSceneLevel.SetCurSel(s.nSceneLevel);
  m_nExtension = s.nLocalId;
  m_nGroup = s.nGroupId;
  m_nVoxMode = s.nVoxMode;
  m_nPttMode = s.nPttMode;
  m_nChannel = s.nChannel;
  m_nHeadsetType = s.nHeadsetType;
  m_nPassword = s.nPassword;
  m_cbPower.SetCurSel(s.nPowerLevel);
  UpdateData(false);
}

// The range checks in their order, then a selection in every radio group
// and value list: without one the unit would get -1 right after its
// factory reset. Shows the first failure and returns false.
bool CConfigDlg::CheckSetValues() const {
  const struct {
    bool bad;
    const char* message;
  } checks[] = {
      {m_nChannel > 90 || m_nChannel < 2, ui_texts::kChannelRange},
      {m_settings.nWorkMode == kRoleExtension && (m_nExtension < 1 || m_nExtension > 12), ui_texts::kExtensionRange},
      {m_nPassword < 1 || m_nPassword > 999999999, ui_texts::kPasswordRange},
      {m_nGroup < 0 || m_nGroup > 12, ui_texts::kGroupRange},
      {m_nHeadsetType < 0, ui_texts::kSelectHeadsetType},
      {m_nVoxMode < 0, ui_texts::kSelectVoxMode},
      {m_cbSceneLevel.GetCurSel() < 0, ui_texts::kSelectSceneLevel},
      {m_nPttMode < 0, ui_texts::kSelectPttMode},
      {m_cbNoiseLevel.GetCurSel() < 0, ui_texts::kSelectNoiseLevel},
      {m_cbPower.GetCurSel() < 0, ui_texts::kSelectPowerLevel},
  };
  for (const auto& check : checks) {
    if (check.bad) {
      ShowMessage(GetHwnd(), check.message, MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  return true;
}

void CConfigDlg::FormToSettings() {
  SDevSettings& s = m_settings;
  int noise = m_cbNoiseLevel.GetCurSel();
  s.bNoiseSuppress = noise != 0 ? 1 : 0;
  s.nSuppressLevel = noise;
  s.nSceneLevel = m_cbSceneLevel.GetCurSel();
  s.nPowerLevel = m_cbPower.GetCurSel();
  s.nHeadsetType = m_nHeadsetType;
  s.nVoxMode = m_nVoxMode;
  s.nPttMode = m_nPttMode;
  s.nChannel = m_nChannel;
  s.nLocalId = m_nExtension;
  s.nPassword = m_nPassword;
  s.nGroupId = m_nGroup;
}

void CConfigDlg::OnSet() {
  // A refused value has shown its box; Set goes on with the values as they stand.
  UpdateData(true);
  if (!CheckSetValues()) return;
  // A running job works on the record: leave it alone.
  if (RefuseWhileJobRuns(Page::Config)) return;
  FormToSettings();
  StartWriteJob(&m_settings);
}
