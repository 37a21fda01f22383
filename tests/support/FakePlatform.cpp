#include "support/FakePlatform.h"

namespace pluvix::testsupport {

using platform::MessageButton;

MessageButton FakeMessageBoxes::next(MessageButton fallback) {
    return answers.isEmpty() ? fallback : answers.takeFirst();
}

MessageButton FakeMessageBoxes::retryCancelCritical(const QString& title, const QString& text) {
    shown.append({QStringLiteral("retryCancel"), title, text});
    return next(MessageButton::Retry);
}

void FakeMessageBoxes::ok(const QString& title, const QString& text) {
    shown.append({QStringLiteral("ok"), title, text});
    next(MessageButton::Ok);
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
