#include "dialogs/AboutBox.h"

#include "dialogs/Logo.h"
#include "dialogs/VersionText.h"
#include "dialogs/WindowPlacement.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace pluvix::dialogs {

AboutBox::AboutBox(QString appName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_appName(std::move(appName)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Cirrusworks Pluvix"));
    setModal(true);

    auto* picture = new QFrame(this);
    picture->setObjectName(QStringLiteral("Picture2"));
    picture->setFrameShape(QFrame::StyledPanel);
    picture->setFrameShadow(QFrame::Sunken);
    auto* logo = new LogoWidget(64, picture);
    logo->setObjectName(QStringLiteral("Image1"));
    auto* pictureLayout = new QVBoxLayout(picture);
    pictureLayout->setContentsMargins(4, 4, 4, 4);
    pictureLayout->addWidget(logo);

    auto* name = new QLabel(QStringLiteral("Pluvix"), this);
    name->setObjectName(QStringLiteral("Label1"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    nameFont.setBold(true);
    name->setFont(nameFont);

    m_version = new QLabel(QStringLiteral("Version  3.0.8  -  19 June 2005"), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));

    auto* notice = new QLabel(
        QStringLiteral("This software is free for private use. For inquiries about commercial "
                       "use, please write to licensing@cirrusworks.example."),
        this);
    notice->setObjectName(QStringLiteral("Label3"));
    notice->setWordWrap(true);

    auto* credit = new QLabel(QStringLiteral("Developed by Cirrusworks"), this);
    credit->setObjectName(QStringLiteral("lblCredit"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(m_version);
    texts->addSpacing(8);
    texts->addWidget(notice);
    texts->addStretch(1);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(credit, 1, Qt::AlignVCenter);
    bottom->addWidget(ok);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 14, 14, 12);
    outer->addLayout(top);
    outer->addSpacing(10);
    outer->addLayout(bottom);

    const int w = qMax(380, sizeHint().width());
    setFixedSize(w, heightForWidth(w) > 0 ? heightForWidth(w) : sizeHint().height());
}

void AboutBox::load() {
    load(screenRectFor(parentWidget() != nullptr ? parentWidget()->window() : this));
}

void AboutBox::load(const QRect& screen) {
    centreOn(*this, screen);
    setWindowTitle(QStringLiteral("Cirrusworks ") + m_appName);
    m_version->setText(versionText());
}

void AboutBox::showModal(const QString& appName, QWidget* parent) {
    AboutBox box(appName, parent);
    box.load();
    box.exec();
}

} // namespace pluvix::dialogs
