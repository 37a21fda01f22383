#pragma once

// Only for files compiled with PLUVIX_HAVE_XCB.
#include <QByteArray>

#include <xcb/xcb.h>

#include <cstdlib>

namespace pluvix::desktop {

// The atom of `name`, or XCB_ATOM_NONE when the server does not answer.
inline xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace pluvix::desktop
