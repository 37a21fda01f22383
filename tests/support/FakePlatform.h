#pragma once

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace pluvix::testsupport {

struct ShownMessage {
    QString kind; // "retryCancel", "ok", "yesNo", "okCancel"
    QString title;
    QString text;
    bool mentions(const QStringList& parts) const {
        return std::all_of(parts.begin(), parts.end(),
                           [this](auto& p) { return text.contains(p); });
    }
};

// Answers every box with a queued answer (else Retry, Ok or Yes) and records what was shown.
class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    QList<ShownMessage> shown;
    QList<platform::MessageButton> answers; // taken from the front

    platform::MessageButton retryCancelCritical(const QString& title,
                                                const QString& text) override {
        return show(QStringLiteral("retryCancel"), title, text, platform::MessageButton::Retry);
    }
    void ok(const QString& title, const QString& text) override {
        show(QStringLiteral("ok"), title, text, platform::MessageButton::Ok);
    }
    platform::MessageButton yesNo(const QString& title, const QString& text) override {
        return show(QStringLiteral("yesNo"), title, text, platform::MessageButton::Yes);
    }
    platform::MessageButton okCancel(const QString& title, const QString& text) override {
        return show(QStringLiteral("okCancel"), title, text, platform::MessageButton::Ok);
    }

private:
    platform::MessageButton show(const QString& kind, const QString& title, const QString& text,
                                 platform::MessageButton fallback) {
        shown.append({kind, title, text});
        return answers.isEmpty() ? fallback : answers.takeFirst();
    }
};

class FakeProgramEnd final : public platform::ProgramEnd {
public:
    int endCount = 0;
    int lastStatus = -1;
    void endNow(int status) override {
        ++endCount;
        lastStatus = status;
    }
};

class FakeClock final : public platform::Clock {
public:
    QDateTime fixed = QDateTime(QDate(2005, 12, 5), QTime(14, 3, 7));
    QDateTime now() const override { return fixed; }
};

} // namespace pluvix::testsupport

#include "diagnostics/ErrorTrap.h"

namespace pluvix::testsupport {

struct ReportedError {
    int number;
    QString description;
    QString procedure;
};

class RecordingErrorSink final : public diagnostics::ErrorSink {
public:
    QList<ReportedError> reports;
    void ReportError(int number, const QString& description, const QString& procedure) override {
        reports.append({number, description, procedure});
    }
};

} // namespace pluvix::testsupport
