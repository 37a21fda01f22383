#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace pluvix::platform {

namespace {

MessageButton toButton(QMessageBox::StandardButton b) {
    switch (b) {
    case QMessageBox::Ok:
        return MessageButton::Ok;
    case QMessageBox::Retry:
        return MessageButton::Retry;
    case QMessageBox::Yes:
        return MessageButton::Yes;
    case QMessageBox::No:
        return MessageButton::No;
    default:
        return MessageButton::Cancel;
    }
}

QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton def) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(def);
    // A box must be readable even while a busy cursor is set by a long operation.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    QApplication::restoreOverrideCursor();
    return static_cast<QMessageBox::StandardButton>(answer);
}

} // namespace

QWidget* QtMessageBoxes::parentForBox() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (m_parent && m_parent->isVisible())
        return m_parent;
    return QApplication::activeWindow();
}

MessageButton QtMessageBoxes::retryCancelCritical(const QString& title, const QString& text) {
    return toButton(ask(parentForBox(), QMessageBox::Critical, title, text,
                        QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry));
}

void QtMessageBoxes::ok(const QString& title, const QString& text) {
    ask(parentForBox(), QMessageBox::NoIcon, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

MessageButton QtMessageBoxes::yesNo(const QString& title, const QString& text) {
    return toButton(ask(parentForBox(), QMessageBox::Question, title, text,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes));
}

MessageButton QtMessageBoxes::okCancel(const QString& title, const QString& text) {
    return toButton(ask(parentForBox(), QMessageBox::Question, title, text,
                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok));
}

} // namespace pluvix::platform
