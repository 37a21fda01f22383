#pragma once

#include "desktop/TrayIcon.h"

namespace pluvix::testsupport {

// A notification area that counts the icons it shows. Header-only: link pluvix_widgets.
class FakeTrayIcon final : public desktop::TrayIcon {
public:
    desktop::TrayHost fakeHost = desktop::TrayHost::XEmbed;
    int showCalls = 0; // one per icon added
    QString tip;
    QMenu* menu = nullptr;

    desktop::TrayHost host() const override { return fakeHost; }
    void show(const QIcon&, const QString& text) override {
        ++showCalls;
        tip = text;
        shown = true;
    }
    void hide() override { shown = false; }
    bool isShown() const override { return shown; }
    void setMenu(QMenu* m) override { menu = m; }
    QRect geometry() const override { return {}; }

    void click(desktop::TrayClick c) { emit clicked(c); }

private:
    bool shown = false;
};

} // namespace pluvix::testsupport
