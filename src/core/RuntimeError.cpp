#include "core/RuntimeError.h"

namespace pluvix::core {

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QByteArray::number(number) + ": " + m_description.toUtf8()) {}

RuntimeError RuntimeError::invalidCall() {
    return {5, QStringLiteral("Invalid procedure call or argument")};
}
RuntimeError RuntimeError::overflow() {
    return {6, QStringLiteral("Overflow")};
}
RuntimeError RuntimeError::subscriptOutOfRange() {
    return {9, QStringLiteral("Subscript out of range")};
}
RuntimeError RuntimeError::divisionByZero() {
    return {11, QStringLiteral("Division by zero")};
}
RuntimeError RuntimeError::fileNotFound() {
    return {53, QStringLiteral("File not found")};
}
RuntimeError RuntimeError::diskFull() {
    return {61, QStringLiteral("Disk full")};
}
RuntimeError RuntimeError::pathFileAccess() {
    return {75, QStringLiteral("Path/File access error")};
}
RuntimeError RuntimeError::invalidPropertyValue() {
    return {380, QStringLiteral("Invalid property value")};
}
RuntimeError RuntimeError::invalidPicture() {
    return {481, QStringLiteral("Invalid picture")};
}

} // namespace pluvix::core
