#include "view/KeyIntents.h"

#include <QKeySequence>

namespace pluvix::view {

namespace {

constexpr int presetKeys = 8;

KeyAction plainKey(Qt::Key key) {
    switch (key) {
    case Qt::Key_Left:
        return {KeyIntent::PreviousPicture};
    case Qt::Key_Right:
        return {KeyIntent::NextPicture};
    case Qt::Key_Home:
        return {KeyIntent::OldestPicture};
    case Qt::Key_End:
        return {KeyIntent::NewestPicture};
    case Qt::Key_Space:
        return {KeyIntent::ToggleLoop};
    case Qt::Key_Plus:
        return {KeyIntent::ZoomIn};
    case Qt::Key_Minus:
        return {KeyIntent::ZoomOut};
    case Qt::Key_C:
        return {KeyIntent::CentreOnSite};
    case Qt::Key_F:
        return {KeyIntent::FitPicture};
    case Qt::Key_Menu:
        return {KeyIntent::OpenMapMenu};
    default:
        break;
    }
    if (key >= Qt::Key_1 && key < Qt::Key_1 + presetKeys)
        return {KeyIntent::RecallPreset, key - Qt::Key_1 + 1};
    return {};
}

KeyAction ctrlKey(Qt::Key key) {
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: // Ctrl and the key that carries + without reaching for Shift
        return {KeyIntent::ZoomIn};
    case Qt::Key_Minus:
        return {KeyIntent::ZoomOut};
    case Qt::Key_S:
        return {KeyIntent::SaveMap};
    case Qt::Key_C:
        return {KeyIntent::CopyView};
    case Qt::Key_Q:
        return {KeyIntent::Exit};
    default:
        return {};
    }
}

} // namespace

KeyAction keyAction(QKeyCombination combination) {
    const Qt::Key key = combination.key();
    const Qt::KeyboardModifiers modifiers =
        combination.keyboardModifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
    // + and, on some layouts, the digits sit on shifted keys, so Shift cannot be asked to be up.
    const bool shiftFree =
        key == Qt::Key_Plus || (key >= Qt::Key_1 && key < Qt::Key_1 + presetKeys);
    const Qt::KeyboardModifiers relevant =
        shiftFree ? modifiers & ~Qt::KeyboardModifiers(Qt::ShiftModifier) : modifiers;

    if (relevant == Qt::NoModifier)
        return plainKey(key);
    if (relevant == Qt::ControlModifier)
        return ctrlKey(key);
    if (relevant == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_S)
        return {KeyIntent::SaveLoop};
    if (relevant == Qt::ShiftModifier && key == Qt::Key_F10)
        return {KeyIntent::OpenMapMenu};
    return {};
}

QString shortcutText(const KeyAction& action) {
    QKeyCombination key;
    switch (action.intent) {
    case KeyIntent::None:
        return {};
    case KeyIntent::PreviousPicture:
        key = Qt::Key_Left;
        break;
    case KeyIntent::NextPicture:
        key = Qt::Key_Right;
        break;
    case KeyIntent::OldestPicture:
        key = Qt::Key_Home;
        break;
    case KeyIntent::NewestPicture:
        key = Qt::Key_End;
        break;
    case KeyIntent::ToggleLoop:
        key = Qt::Key_Space;
        break;
    case KeyIntent::ZoomIn:
        key = Qt::Key_Plus;
        break;
    case KeyIntent::ZoomOut:
        key = Qt::Key_Minus;
        break;
    case KeyIntent::RecallPreset:
        if (action.preset < 1 || action.preset > presetKeys)
            return {};
        key = Qt::Key(Qt::Key_1 + action.preset - 1);
        break;
    case KeyIntent::CentreOnSite:
        key = Qt::Key_C;
        break;
    case KeyIntent::FitPicture:
        key = Qt::Key_F;
        break;
    case KeyIntent::SaveMap:
        key = Qt::CTRL | Qt::Key_S;
        break;
    case KeyIntent::SaveLoop:
        key = Qt::CTRL | Qt::SHIFT | Qt::Key_S;
        break;
    case KeyIntent::CopyView:
        key = Qt::CTRL | Qt::Key_C;
        break;
    case KeyIntent::Exit:
        key = Qt::CTRL | Qt::Key_Q;
        break;
    case KeyIntent::OpenMapMenu:
        key = Qt::SHIFT | Qt::Key_F10;
        break;
    }
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

QString captionWithShortcut(const QString& caption, const KeyAction& action) {
    const QString shortcut = shortcutText(action);
    return shortcut.isEmpty() ? caption : caption + QLatin1Char('\t') + shortcut;
}

} // namespace pluvix::view
