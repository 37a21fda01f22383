#pragma once

#include <QString>

#include <optional>

namespace pluvix::desktop {

// A string as GVariant text ('...' with backslash escapes), the form gsettings and gdbus parse.
QString gvariantQuoted(const QString& text);

// The first GVariant string literal in text ('...' or "..."), unescaped; nothing when text
// holds none or it is unterminated.
std::optional<QString> gvariantFirstString(const QString& text);

// A string as a JavaScript literal ("...").
QString javaScriptQuoted(const QString& text);

} // namespace pluvix::desktop
