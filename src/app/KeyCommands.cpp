#include "app/KeyCommands.h"

#include "app/MainMenus.h"
#include "app/StatusPanel.h"
#include "app/Viewer.h"
#include "diagnostics/ErrorReporter.h"
#include "presets/PresetButtons.h"
#include "view/MapView.h"
#include "view/Twips.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>

namespace pluvix::app {

using diagnostics::trap;
using view::KeyAction;
using view::KeyIntent;
namespace procedure = diagnostics::procedure;

namespace {

// Keys that stand for a menu item run that item, so the item's own rules and marks apply.
struct MenuKey {
    KeyIntent intent;
    const char* item;
};
constexpr MenuKey menuKeys[] = {
    {KeyIntent::ToggleLoop, "mnuPlayNow"}, {KeyIntent::ZoomIn, "mnuZoomIn"},
    {KeyIntent::ZoomOut, "mnuZoomOut"},    {KeyIntent::SaveMap, "mnuSaveMap"},
    {KeyIntent::SaveLoop, "mnuSaveLoop"},  {KeyIntent::CopyView, "mnuCopyView"},
    {KeyIntent::Exit, "mnuExit"},
};

void showShortcut(QAction* item, const QKeySequence& key) {
    if (!item)
        return;
    // Never an active shortcut of its own: the key reaches the item through this class only.
    item->setShortcutContext(Qt::WidgetShortcut);
    item->setShortcut(key);
    item->setShortcutVisibleInContextMenu(true);
}

bool repeats(KeyIntent intent) {
    return intent == KeyIntent::PreviousPicture || intent == KeyIntent::NextPicture ||
           intent == KeyIntent::ZoomIn || intent == KeyIntent::ZoomOut;
}

} // namespace

KeyCommands::KeyCommands(Parts parts, QObject* parent) : QObject(parent), m_p(std::move(parts)) {
    for (const MenuKey& key : menuKeys)
        showShortcut(
            m_p.menus.action(QLatin1String(key.item)),
            QKeySequence::fromString(view::shortcutText({key.intent}), QKeySequence::NativeText));
    for (const char* help : {"mnuHelp", "mnuWindowHelp"})
        showShortcut(m_p.menus.action(QLatin1String(help)), QKeySequence(Qt::Key_F1));
    m_p.window.installEventFilter(this);
}

bool KeyCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_p.window || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const KeyAction action = view::keyAction(key->keyCombination());
    if (action.intent == KeyIntent::None || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget())
        return false;
    // A focused button takes its own Space.
    if (action.intent == KeyIntent::ToggleLoop &&
        qobject_cast<QAbstractButton*>(QApplication::focusWidget()))
        return false;
    if (!key->isAutoRepeat() || repeats(action.intent))
        run(action);
    return true;
}

void KeyCommands::run(const KeyAction& action) {
    // While a recall, a save or a load holds the panel, only the way out is open.
    if ((m_p.panel.frozen() || m_p.panel.progressBar()->isVisible()) &&
        action.intent != KeyIntent::Exit)
        return;
    for (const MenuKey& key : menuKeys) {
        if (key.intent == action.intent) {
            if (QAction* item = m_p.menus.action(QLatin1String(key.item)))
                item->trigger();
            return;
        }
    }
    if (action.intent == KeyIntent::RecallPreset) {
        recallPreset(action.preset);
        return;
    }
    trap(m_p.viewer.errors(), procedure::keyCommand, [&] {
        view::Playback& playback = m_p.viewer.playback();
        view::MapState& map = m_p.viewer.mapState();
        switch (action.intent) {
        case KeyIntent::PreviousPicture:
            playback.setPosition(playback.position() - 1);
            break;
        case KeyIntent::NextPicture:
            playback.setPosition(playback.position() + 1);
            break;
        case KeyIntent::OldestPicture:
            playback.setPosition(playback.minimum());
            break;
        case KeyIntent::NewestPicture:
            playback.setPosition(playback.maximum());
            break;
        case KeyIntent::CentreOnSite:
            map.centreOnSite(m_p.clientArea());
            mapMoved();
            break;
        case KeyIntent::FitPicture:
            map.fitInto(m_p.clientArea());
            mapMoved();
            break;
        case KeyIntent::OpenMapMenu:
            openMapMenu();
            break;
        default:
            break;
        }
    });
}

void KeyCommands::recallPreset(int number) {
    const QAbstractButton* button = m_p.panel.presetButtons()->button(number - 1);
    if (button && !button->isHidden() && button->isEnabled())
        m_p.viewer.presetRecall().press(number - 1, Qt::LeftButton);
}

void KeyCommands::mapMoved() {
    m_p.drawRings();
    m_p.panel.clearPresetMark();
}

void KeyCommands::openMapMenu() {
    const view::ClientArea client = m_p.clientArea();
    const QPointF centre(client.Width / 2.0f, (client.Height - client.StatusBarHeight) / 2.0f);
    const view::MapRect map = m_p.viewer.mapState().rect();
    m_p.viewer.mapState().setPopupPoint(centre - QPointF(map.Left, map.Top));
    const QPoint at(qRound(view::twipsToPx(float(centre.x()))),
                    qRound(view::twipsToPx(float(centre.y()))));
    m_p.menus.imageMenu()->popup(m_p.map.mapToGlobal(at));
}

} // namespace pluvix::app
