#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace pluvix::app {

namespace {
constexpr int handled[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[std::size(handled)] = {};
bool g_kept[std::size(handled)] = {};
std::atomic<bool> g_received{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    const int saved = errno;
    g_received.store(true);
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}
} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    g_received.store(false);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(handled); ++i) {
        ::sigaction(handled[i], nullptr, &g_previous[i]);
        // Started with hang-ups ignored ("nohup pluvix"): the user asked to outlive the terminal.
        g_kept[i] = handled[i] == SIGHUP && g_previous[i].sa_handler == SIG_IGN;
        if (!g_kept[i])
            ::sigaction(handled[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(handled); ++i)
        if (!g_kept[i])
            ::sigaction(handled[i], &g_previous[i], nullptr);
    if (g_pipe[0] >= 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

bool TerminationSignals::received() {
    return g_received.load();
}

void TerminationSignals::readSignal() {
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        emit terminationRequested(byte);
}

} // namespace pluvix::app
