#pragma once

#include "acquisition/FolderAddress.h"
#include "dialogs/OptionsHost.h"
#include "settings/MemorySettingsStore.h"
#include "settings/SettingsRecord.h"

#include <QStringList>

namespace pluvix::testsupport {

using namespace Qt::StringLiterals;

// The main window as the options dialog sees it, with the settings of a first run.
struct FakeOptionsHost final : dialogs::OptionsHost {
    settings::SettingsRecord record{.BaseURL = acquisition::defaultBaseUrl(),
                                    .MaxImageNumber = 20,
                                    .PollInterval = 60,
                                    .RadarStationName = u"kmlb"_s,
                                    .MapTypeShort = u"p37cr"_s,
                                    .PlaySpeed = 5,
                                    .MapScaleShortRangeConstant = 0.721f};
    settings::MemorySettingsStore store;
    QStringList calls; // map views saved and read, reloads

    settings::SettingsRecord& settingsRecord() override { return record; }
    QString appName() const override { return u"Pluvix"_s; }
    settings::SettingsStore& settingsStore() override { return store; }
    void AddMapCoord(const QString& section) override { calls << u"Add "_s + section; }
    void ReadMapCoord(const QString& section) override { calls << u"Read "_s + section; }
    void ReFreshNewMap() override { calls << u"ReFreshNewMap"_s; }
    void setRingLabels(view::RingLabels) override {}
    void setTimeLabelVisible(bool) override {}
    void setTimeLabelFontSize(int) override {}
    void placeTimeLabel() override {}
    void setLoopInterval(int) override {}
    void ShowStationTitle() override {}
    void DrawCirclesRadius() override {}
    void showNewestImageTime() override {}
    void ShowPresetButtons() override {}
    void showAboutBox() override {}
};

} // namespace pluvix::testsupport
