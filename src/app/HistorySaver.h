#pragma once

#include <QObject>

namespace pluvix::app {

class Viewer;

// The image menu's two saves: the history position's picture, and every picture of the
// history as a series, each shown on the map while it is saved.
class HistorySaver final : public QObject {
    Q_OBJECT
public:
    explicit HistorySaver(Viewer& viewer, QObject* parent = nullptr);

    void saveMap();
    void saveSeries();

signals:
    // The panel takes no input while a series is saved.
    void panelFrozen(bool frozen);

private:
    Viewer& m_viewer;
};

} // namespace pluvix::app
