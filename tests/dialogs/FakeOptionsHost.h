#pragma once

#include "acquisition/FolderAddress.h"
#include "dialogs/OptionsHost.h"
#include "settings/MemorySettingsStore.h"
#include "settings/SettingsRecord.h"

#include <QStringList>

namespace pluvix::testsupport {

// The general settings as a first run loads them.
inline settings::SettingsRecord defaultSettingsRecord() {
    settings::SettingsRecord r;
    r.LocalUTCTimeOffset = 5;
    r.BaseURL = acquisition::defaultBaseUrl();
    r.MaxImageNumber = 20;
    r.PollInterval = 60;
    r.ShowBullseye = 1;
    r.BullsEyeGraduations = 10;
    r.BullsEyeX = 1000.0f;
    r.BullsEyeY = 1000.0f;
    r.RadarStationName = QStringLiteral("kmlb");
    r.MapTypeShort = QStringLiteral("p37cr");
    r.HistoryImageCount = 20;
    r.PlaySpeed = 5;
    r.BullsEyeTextSize = 8;
    r.MapScaleShortRangeConstant = 0.721f;
    r.UTCFontSize = 10;
    r.LoopDelay = 4;
    r.AutoUTCOffset = 1;
    r.MapScaleLongRangeConstant = 0.319f;
    r.NumberOfPresets = 4;
    return r;
}

// Records every call the options dialog makes on the main window, in order.
class FakeOptionsHost final : public dialogs::OptionsHost {
public:
    settings::SettingsRecord record = defaultSettingsRecord();
    settings::MemorySettingsStore store;
    QString name = QStringLiteral("Pluvix");
    QStringList calls;
    QList<qint16> presetCountsShown;

    int count(const QString& prefix) const {
        int n = 0;
        for (const QString& c : calls)
            n += c.startsWith(prefix) ? 1 : 0;
        return n;
    }

    settings::SettingsRecord& settingsRecord() override { return record; }
    QString appName() const override { return name; }
    settings::SettingsStore& settingsStore() override { return store; }
    void AddMapCoord(const QString& section) override {
        calls << QStringLiteral("AddMapCoord(%1)").arg(section);
    }
    void ReadMapCoord(const QString& section) override {
        calls << QStringLiteral("ReadMapCoord(%1)").arg(section);
    }
    void HideShowBullseyeLabels(int actionType) override {
        calls << QStringLiteral("HideShowBullseyeLabels(%1)").arg(actionType);
    }
    void setTimeLabelVisible(bool visible) override {
        calls << QStringLiteral("setTimeLabelVisible(%1)")
                     .arg(QLatin1String(visible ? "true" : "false"));
    }
    void setTimeLabelFontSize(int points) override {
        calls << QStringLiteral("setTimeLabelFontSize(%1)").arg(points);
    }
    void placeTimeLabel() override { calls << QStringLiteral("placeTimeLabel"); }
    void setLoopInterval(int milliseconds) override {
        calls << QStringLiteral("setLoopInterval(%1)").arg(milliseconds);
    }
    void ShowStationTitle() override { calls << QStringLiteral("ShowStationTitle"); }
    void ReFreshNewMap() override { calls << QStringLiteral("ReFreshNewMap"); }
    void DrawCirclesRadius() override { calls << QStringLiteral("DrawCirclesRadius"); }
    void showNewestImageTime() override { calls << QStringLiteral("showNewestImageTime"); }
    void ShowPresetButtons() override {
        calls << QStringLiteral("ShowPresetButtons");
        presetCountsShown << record.NumberOfPresets;
    }
    void showAboutBox() override { calls << QStringLiteral("showAboutBox"); }
};

} // namespace pluvix::testsupport
