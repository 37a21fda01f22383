#pragma once

#include <QObject>

class QSocketNotifier;

namespace pluvix::app {

// SIGTERM, SIGINT and SIGHUP are how Linux asks a program to end when the session ends or the
// system shuts down: turn them into a Qt signal so the normal shut-down runs on the GUI thread.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // True from the moment a termination signal arrived after this object was made; safe to ask
    // at any time, also while the thread blocks outside the event loop.
    static bool received();

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace pluvix::app
