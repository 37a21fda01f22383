#include "support/FakePlatform.h"

namespace pluvix::testsupport {

using platform::MessageButton;

MessageButton FakeMessageBoxes::next(MessageButton fallback) {
    if (!answers.isEmpty())
        return answers.takeFirst();
    return fallback;
}

MessageButton FakeMessageBoxes::retryCancelCritical(const QString& title, const QString& text) {
    shown.append({QStringLiteral("retryCancel"), title, text});
    return next(defaultAnswer);
}

void FakeMessageBoxes::ok(const QString& title, const QString& text) {
    shown.append({QStringLiteral("ok"), title, text});
    if (!answers.isEmpty())
        answers.takeFirst();
}

MessageButton FakeMessageBoxes::yesNo(const QString& title, const QString& text) {
    shown.append({QStringLiteral("yesNo"), title, text});
    return next(MessageButton::Yes);
}

MessageButton FakeMessageBoxes::okCancel(const QString& title, const QString& text) {
    shown.append({QStringLiteral("okCancel"), title, text});
    return next(MessageButton::Ok);
}

} // namespace pluvix::testsupport
