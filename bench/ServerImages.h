#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace pluvix::bench {

struct ServedImage {
    QString name;
    QByteArray gif;
};

// `count` distinct radar GIFs from the bundled server, ten per station listing, newest last
// within each station. Starts and stops its own server; fail()s with the reason when it cannot.
QList<ServedImage> fetchRadarGifs(int count);

} // namespace pluvix::bench
