#pragma once

#include <QLabel>

namespace pluvix::app {

// The image time stamp `Label4` over the map, its bottom edge on the status panel's top.
class TimeLabel final : public QLabel {
public:
    TimeLabel(QWidget* parent, const QWidget& panel);
    void place();
    void showCaption(const QString& text);
    void setFontPoints(int points);

private:
    void takeColours();

    const QWidget& m_panel;
};

// The notice `Text1` that the last download failed; a click hides it.
class ConnectionNotice final : public QLabel {
public:
    explicit ConnectionNotice(QWidget* parent);
    void showNotice(bool visible);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void takeColours();
};

} // namespace pluvix::app
