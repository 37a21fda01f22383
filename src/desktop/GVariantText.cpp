#include "desktop/GVariantText.h"

namespace pluvix::desktop {

namespace {

void appendEscapedControl(QString& out, QChar c) {
    switch (c.unicode()) {
    case u'\n':
        out += QLatin1String("\\n");
        return;
    case u'\t':
        out += QLatin1String("\\t");
        return;
    case u'\r':
        out += QLatin1String("\\r");
        return;
    default:
        out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
}

bool needsEscape(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() == 0x2028 ||
           c.unicode() == 0x2029;
}

} // namespace

QString gvariantQuoted(const QString& text) {
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (needsEscape(c)) {
            appendEscapedControl(out, c);
        } else {
            out += c;
        }
    }
    out += QLatin1Char('\'');
    return out;
}

QString javaScriptQuoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (needsEscape(c)) {
            appendEscapedControl(out, c);
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

std::optional<QString> gvariantFirstString(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] != QLatin1Char('\'') && text[i] != QLatin1Char('"'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    const QChar quote = text[i++];
    QString out;
    while (i < text.size()) {
        const QChar c = text[i++];
        if (c == quote)
            return out;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i == text.size())
            return std::nullopt;
        const QChar e = text[i++];
        switch (e.unicode()) {
        case u'n':
            out += QLatin1Char('\n');
            break;
        case u't':
            out += QLatin1Char('\t');
            break;
        case u'r':
            out += QLatin1Char('\r');
            break;
        case u'a':
            out += QLatin1Char('\a');
            break;
        case u'b':
            out += QLatin1Char('\b');
            break;
        case u'f':
            out += QLatin1Char('\f');
            break;
        case u'v':
            out += QLatin1Char('\v');
            break;
        case u'u':
        case u'U': {
            const int digits = e == QLatin1Char('u') ? 4 : 8;
            bool ok = false;
            const uint code = text.mid(i, digits).toUInt(&ok, 16);
            if (!ok || text.mid(i, digits).size() != digits)
                return std::nullopt;
            i += digits;
            const char32_t cp = code;
            out += QString::fromUcs4(&cp, 1);
            break;
        }
        default:
            out += e;
        }
    }
    return std::nullopt;
}

} // namespace pluvix::desktop
