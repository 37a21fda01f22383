#pragma once

#include <QKeyCombination>
#include <QString>

namespace pluvix::view {

// What a key asks the main window to do.
enum class KeyIntent {
    None,
    PreviousPicture,
    NextPicture,
    OldestPicture,
    NewestPicture,
    ToggleLoop,
    ZoomIn,
    ZoomOut,
    RecallPreset, // with the preset's number 1 ... 8
    CentreOnSite,
    FitPicture,
    SaveMap,
    SaveLoop,
    CopyView,
    Exit,
    OpenMapMenu,
};

struct KeyAction {
    KeyIntent intent = KeyIntent::None;
    int preset = 0; // 1 ... 8 for RecallPreset
    friend constexpr bool operator==(const KeyAction&, const KeyAction&) = default;
};

// The action of a pressed key, None for keys the window leaves alone. Keypad keys count as their
// main-keyboard twins; Shift is ignored where the key's symbol may need it (+, the digits).
KeyAction keyAction(QKeyCombination key);

// The shortcut as shown beside a menu item ("Ctrl+Shift+S"); empty for None.
QString shortcutText(const KeyAction& action);

// A menu caption with its shortcut in the column menus keep for shortcuts; the caption itself
// stays as it is.
QString captionWithShortcut(const QString& caption, const KeyAction& action);

} // namespace pluvix::view
