#pragma once

#include "acquisition/Catalogue.h"

#include <QDialog>
#include <QRect>
#include <QString>
#include <QtGlobal>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace pluvix::diagnostics {
class ErrorSink;
}
namespace pluvix::platform {
class MessageBoxes;
class ProgramEnd;
} // namespace pluvix::platform
namespace pluvix::settings {
struct SettingsRecord;
}

namespace pluvix::dialogs {

class OptionsHost;

// `frmOptions`: station, product and the tunable settings. Created fresh for each showing;
// the constructor runs the load (fills and preselects the controls, saves the current map
// view). Apply and OK copy the controls into the host's settings record.
class OptionsDialog final : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(OptionsHost& host, diagnostics::ErrorSink& errors, platform::MessageBoxes& boxes,
                  platform::ProgramEnd& programEnd, QWidget* parent = nullptr);
    // As above, centred on the given screen rectangle instead of the window's screen.
    OptionsDialog(OptionsHost& host, diagnostics::ErrorSink& errors, platform::MessageBoxes& boxes,
                  platform::ProgramEnd& programEnd, const QRect& screen, QWidget* parent = nullptr);

    // Shows a fresh dialog modally and returns when it has closed.
    static void showModal(OptionsHost& host, diagnostics::ErrorSink& errors,
                          platform::MessageBoxes& boxes, platform::ProgramEnd& programEnd,
                          QWidget* parent = nullptr);

    // Copies the controls into the settings and brings the window up to date. False when a
    // step failed (reported as "frmOptions.ApplyChanges"; the later steps are not run).
    bool ApplyChanges();
    // Selects the first item whose number equals value; no match leaves the selection alone.
    void FillLists(QComboBox* clbListBx, qint16 vDefaultValue);

    // The image-folder address as it was at load or after the last reload.
    const QString& LoadedBaseURL() const { return m_loadedBaseUrl; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void placeAndFill(const QRect& screen);
    void resetDefaults();
    // Keeps a map-scale constant between 0.01 and 0.999.
    void keepConstantInRange(QLineEdit* box);
    // Runs the validation that leaving a constant's box would run, when a button is used from
    // inside it.
    void validateBeforeApply();
    qint16 comboValue(const QComboBox* box) const;

    OptionsHost& m_host;
    diagnostics::ErrorSink& m_errors;
    platform::MessageBoxes& m_boxes;
    platform::ProgramEnd& m_programEnd;

    QString m_loadedBaseUrl;
    acquisition::ProductCodes m_productCodes;

    QTabWidget* m_tabs = nullptr;
    QComboBox* m_station = nullptr;          // Combo1
    QComboBox* m_maxImages = nullptr;        // Combo2
    QComboBox* m_pollInterval = nullptr;     // Combo3
    QComboBox* m_utcOffset = nullptr;        // Combo4
    QComboBox* m_graduations = nullptr;      // Combo5
    QComboBox* m_product = nullptr;          // Combo6
    QComboBox* m_playSpeed = nullptr;        // Combo7
    QComboBox* m_historyCount = nullptr;     // Combo8
    QComboBox* m_bullseyeTextSize = nullptr; // Combo9
    QComboBox* m_utcFontSize = nullptr;      // Combo10
    QComboBox* m_loopDelay = nullptr;        // Combo11
    QComboBox* m_presetCount = nullptr;      // Combo12
    QCheckBox* m_minimizeToTray = nullptr;   // Check1
    QCheckBox* m_showBullseye = nullptr;     // Check2
    QCheckBox* m_showUtcStamp = nullptr;     // Check3
    QCheckBox* m_autoUtcOffset = nullptr;    // Check4
    QLineEdit* m_shortRange = nullptr;       // Text1
    QLineEdit* m_longRange = nullptr;        // Text2
};

} // namespace pluvix::dialogs
