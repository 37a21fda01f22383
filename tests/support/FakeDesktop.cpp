#include "support/FakeDesktop.h"

namespace pluvix::testsupport {

desktop::CommandResult FakeCommandRunner::run(const QString& program,
                                              const QStringList& arguments) {
    calls.append(QStringList{program} + arguments);
    return {true, false, 0, {}, {}};
}

} // namespace pluvix::testsupport
