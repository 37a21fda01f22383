#pragma once

#include "core/RuntimeError.h"
#include "diagnostics/ProcedureNames.h"

#include <QString>

#include <exception>
#include <utility>

namespace pluvix::diagnostics {

// Where a trapped run-time error goes: the one error box and the log.
class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    virtual void ReportError(int number, const QString& description,
                             const QString& procedureName) = 0;
};

// Runs a procedure body; a run-time error thrown inside is reported under the procedure's fixed
// name and the body ends there. Returns true when the body ran to its end.
template <class Body> bool trap(ErrorSink& sink, const QString& procedureName, Body&& body) {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const core::RuntimeError& e) {
        sink.ReportError(e.number(), e.description(), procedureName);
    } catch (const std::bad_alloc&) {
        sink.ReportError(7, QStringLiteral("Out of memory"), procedureName);
    } catch (const std::exception& e) {
        sink.ReportError(51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(e.what()),
                         procedureName);
    }
    return false;
}

// For steps whose errors are ignored: the step is abandoned and the caller goes on.
template <class Body> bool ignoreErrors(Body&& body) {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace pluvix::diagnostics
