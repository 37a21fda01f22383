#pragma once

#include <QString>

#include <exception>

namespace pluvix::core {

// A run-time error as the error box and the log show it: a number and a description.
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description);

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    static RuntimeError invalidCall();          // 5
    static RuntimeError overflow();             // 6
    static RuntimeError subscriptOutOfRange();  // 9
    static RuntimeError divisionByZero();       // 11
    static RuntimeError fileNotFound();         // 53
    static RuntimeError diskFull();             // 61
    static RuntimeError pathFileAccess();       // 75
    static RuntimeError invalidPropertyValue(); // 380
    static RuntimeError invalidPicture();       // 481

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

} // namespace pluvix::core
