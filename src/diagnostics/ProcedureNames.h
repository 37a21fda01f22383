#pragma once

#include <QString>

// The names under which trapped errors reach the error box and Log.txt. Users and support read
// them, so they stay byte for byte whatever the code that raises them is called.
namespace pluvix::diagnostics::procedure {

inline const QString startUp = QStringLiteral("form1.Form_Load");
inline const QString historyLoad = QStringLiteral("form1.LoadInitialImages");
inline const QString poll = QStringLiteral("form1.CheckForNewImage");
inline const QString reload = QStringLiteral("form1.ReFreshNewMap");
inline const QString listing = QStringLiteral("form1.form.ParseURLText");
inline const QString sliderChange = QStringLiteral("form1.HScroll1_Change");
inline const QString loopTick = QStringLiteral("form1.PlayImages");
inline const QString loopSwitch = QStringLiteral("form1.Check1_Click");
inline const QString playSpeed = QStringLiteral("form1.mnuPlayImagePerSec_Click");
inline const QString loopLength = QStringLiteral("form1.mnuPlayHistory_Click");
inline const QString rings = QStringLiteral("form1.DrawCirclesRadius");
inline const QString centreBullseye = QStringLiteral("mnuCenterBullseye_Click");
inline const QString presetPress = QStringLiteral("form1.ctrlPreset_MouseDown");
inline const QString layout = QStringLiteral("form1.Form_Resize");
inline const QString mapPress = QStringLiteral("form1.Image1_MouseDown");
inline const QString backgroundPress = QStringLiteral("form1.Form_MouseDown");
inline const QString dropOnMap = QStringLiteral("form1.form_Image1_DragDrop");
inline const QString dropOnBackground = QStringLiteral("form1.DragDrop");
inline const QString mapDrag = QStringLiteral("form1.Image1_MouseMove");
inline const QString mapWheel = QStringLiteral("form1.Image1_MouseWheel");
inline const QString keyCommand = QStringLiteral("form1.Form_KeyDown");
inline const QString toTray = QStringLiteral("form1.Minimize_To_Tray");
inline const QString fromTray = QStringLiteral("form1.mnuShowPluvix_Click");
inline const QString help = QStringLiteral("form1.mnuHelp_Click");
inline const QString saveMap = QStringLiteral("form1.mnuSaveMap_Click");
inline const QString saveSeries = QStringLiteral("form1.mnuSaveSeriesMap_Click");
inline const QString saveLoop = QStringLiteral("form1.mnuSaveLoop_Click");
inline const QString copyView = QStringLiteral("form1.mnuCopyView_Click");
inline const QString titleBar = QStringLiteral("Module1.ShowTitleBar");
inline const QString statusPanel = QStringLiteral("Module1.ToggleStatusBar");
inline const QString keepOnTop = QStringLiteral("Module1.ToggleTopWindow");
inline const QString logEntry = QStringLiteral("Module1.AddLogEntry");
inline const QString settingsLoad = QStringLiteral("Module1.LoadCheckINI");
inline const QString settingsSave = QStringLiteral("Module1.UnloadINI");
inline const QString optionsOpen = QStringLiteral("frmOptions.Form_Load");
inline const QString optionsLists = QStringLiteral("frmOptions.FillLists");
inline const QString optionsApply = QStringLiteral("frmOptions.ApplyChanges");
inline const QString optionsCancel = QStringLiteral("frmOptions.Command2_Click");

} // namespace pluvix::diagnostics::procedure
