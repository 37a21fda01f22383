#include "acquisition/PictureDecodes.h"

#include "acquisition/ImageHistory.h"

namespace pluvix::acquisition {

PictureDecodes::PictureDecodes(int running, Done done)
    : m_running(qMax(1, running)), m_done(std::move(done)) {}

PictureDecodes::~PictureDecodes() = default; // a future from std::async waits for its thread

void PictureDecodes::add(int element, QByteArray encoded, QImage decoded) {
    while (int(m_pending.size()) >= m_running)
        handOutOldest();
    std::future<QImage> image;
    if (decoded.isNull()) {
        image = std::async(std::launch::async, decodePicture, encoded);
    } else {
        std::promise<QImage> ready;
        ready.set_value(std::move(decoded));
        image = ready.get_future();
    }
    m_pending.push_back(Pending{element, std::move(encoded), std::move(image)});
}

void PictureDecodes::finish() {
    while (!m_pending.empty())
        handOutOldest();
}

void PictureDecodes::handOutOldest() {
    Pending p = std::move(m_pending.front());
    m_pending.pop_front();
    m_done(p.element, std::move(p.encoded), p.image.get());
}

} // namespace pluvix::acquisition
