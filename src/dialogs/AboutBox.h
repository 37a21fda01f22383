#pragma once

#include <QDialog>
#include <QRect>
#include <QString>

class QLabel;

namespace pluvix::dialogs {

// `frmAbout`: product name, version and the notice on use.
class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QString appName, QWidget* parent = nullptr);

    // The load: centre on the screen, title "Cirrusworks " + appName, version text.
    void load();
    void load(const QRect& screen);

    // Creates, loads and shows the box modally; returns when the user has closed it.
    static void showModal(const QString& appName, QWidget* parent = nullptr);

private:
    QString m_appName;
    QLabel* m_version = nullptr;
};

} // namespace pluvix::dialogs
