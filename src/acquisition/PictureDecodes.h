#pragma once

#include <QByteArray>
#include <QImage>

#include <deque>
#include <functional>
#include <future>

namespace pluvix::acquisition {

// Decodes pictures on worker threads while the caller goes on taking the next ones, and hands
// them back in the order they were added. At most `running` decodes are under way at once,
// which bounds the memory held by decoded frames not yet handed out.
class PictureDecodes {
public:
    using Done = std::function<void(int element, QByteArray encoded, QImage image)>;

    PictureDecodes(int running, Done done);
    // Waits for the decodes under way and hands none of them out.
    ~PictureDecodes();
    PictureDecodes(const PictureDecodes&) = delete;
    PictureDecodes& operator=(const PictureDecodes&) = delete;

    // A non-null `decoded` is taken as the picture of `encoded` without decoding again. When
    // the limit is reached, first hands out the oldest: its decode error (core::RuntimeError
    // 481) is thrown from here.
    void add(int element, QByteArray encoded, QImage decoded = {});
    // Hands out every remaining picture in order; throws like add.
    void finish();

private:
    struct Pending {
        int element;
        QByteArray encoded;
        std::future<QImage> image;
    };
    void handOutOldest();

    int m_running;
    Done m_done;
    std::deque<Pending> m_pending;
};

} // namespace pluvix::acquisition
