#pragma once

#include <QLabel>

namespace pluvix::app {

// The image time stamp `Label4` over the map, its bottom edge on the status panel's top.
class TimeLabel final : public QLabel {
public:
    explicit TimeLabel(QWidget* parent);
    void placeAbove(int panelTop);
    void showCaption(const QString& text, int panelTop);
    void setFontPoints(int points, int panelTop);
};

// The notice `Text1` that the last download failed; a click hides it.
class ConnectionNotice final : public QLabel {
public:
    explicit ConnectionNotice(QWidget* parent);
    void showNotice(bool visible);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace pluvix::app
