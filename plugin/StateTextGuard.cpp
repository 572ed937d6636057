#include "StateTextGuard.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace warble
{
namespace
{
    // True when the bytes, up to the first zero byte, are well-formed UTF-8: every lead byte is
    // followed by exactly the continuation bytes it announces, with no overlong form, surrogate
    // or code point beyond U+10FFFF.
    bool isWellFormedUtf8 (const std::uint8_t* bytes, int numBytes) noexcept
    {
        for (int i = 0; i < numBytes && bytes[i] != 0;)
        {
            const auto lead = bytes[i];
            int extra = 0;

            if (lead >= 0x80)
            {
                if (lead >= 0xc2 && lead <= 0xdf)       extra = 1;
                else if (lead >= 0xe0 && lead <= 0xef)  extra = 2;
                else if (lead >= 0xf0 && lead <= 0xf4)  extra = 3;
                else                                    return false;
            }

            if (i + extra >= numBytes)
                return false;

            // The second byte's range rules out overlong forms, surrogates and code points past
            // U+10FFFF.
            const std::uint8_t secondMin = lead == 0xe0 ? 0xa0 : (lead == 0xf0 ? 0x90 : 0x80);
            const std::uint8_t secondMax = lead == 0xed ? 0x9f : (lead == 0xf4 ? 0x8f : 0xbf);

            for (int k = 1; k <= extra; ++k)
            {
                const auto byte = bytes[i + k];

                if (byte < (k == 1 ? secondMin : 0x80) || byte > (k == 1 ? secondMax : 0xbf))
                    return false;
            }

            i += extra + 1;
        }

        return true;
    }

    // A recursive-descent reader of the plain XML form of states. It only accepts; building the
    // tree is left to JUCE once the text is known to be plain.
    class PlainXmlReader
    {
    public:
        PlainXmlReader (const char* textToRead, int numBytes) noexcept
            : text (textToRead), end (textToRead + numBytes)
        {
            // The parser reads up to the first zero byte.
            if (const auto* zero = static_cast<const char*> (std::memchr (text, 0, (size_t) numBytes)))
                end = zero;
        }

        bool readDocument() noexcept
        {
            skipWhitespace();

            if (startsWith ("<?xml"))
            {
                if (! skipPast ("?>"))
                    return false;

                skipWhitespace();
            }

            if (! readElement (1))
                return false;

            skipWhitespace();
            return position() == end;
        }

    private:
        static constexpr int maximumDepth = 64;

        const char* position() const noexcept     { return text; }
        bool atEnd() const noexcept               { return text >= end; }
        char peek (int offset = 0) const noexcept { return text + offset < end ? text[offset] : '\0'; }

        bool startsWith (const char* prefix) const noexcept
        {
            const auto length = std::strlen (prefix);
            return (size_t) (end - text) >= length && std::memcmp (text, prefix, length) == 0;
        }

        bool skipPast (const char* marker) noexcept
        {
            for (; ! atEnd(); ++text)
            {
                if (startsWith (marker))
                {
                    text += std::strlen (marker);
                    return true;
                }
            }

            return false;
        }

        static bool isWhitespace (char c) noexcept   { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
        static bool isNameStart (char c) noexcept    { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':'; }
        static bool isNameChar (char c) noexcept     { return isNameStart (c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
        static bool isDigit (char c) noexcept        { return c >= '0' && c <= '9'; }
        static bool isHexDigit (char c) noexcept     { return isDigit (c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

        void skipWhitespace() noexcept
        {
            while (! atEnd() && isWhitespace (*text))
                ++text;
        }

        bool readName (const char*& nameStart, size_t& nameLength) noexcept
        {
            if (! isNameStart (peek()))
                return false;

            nameStart = text;

            while (isNameChar (peek()))
                ++text;

            nameLength = (size_t) (text - nameStart);
            return true;
        }

        // One of the five predefined references, or a numeric one, including its ';'.
        bool readReference() noexcept
        {
            ++text;

            for (const auto* name : { "amp;", "lt;", "gt;", "quot;", "apos;" })
            {
                if (startsWith (name))
                {
                    text += std::strlen (name);
                    return true;
                }
            }

            if (peek() != '#')
                return false;

            ++text;
            const auto hex = peek() == 'x' || peek() == 'X';

            if (hex)
                ++text;

            int digits = 0;

            while (hex ? isHexDigit (peek()) : isDigit (peek()))
            {
                ++text;
                ++digits;
            }

            if (digits == 0 || digits > (hex ? 6 : 7) || peek() != ';')
                return false;

            ++text;
            return true;
        }

        bool readAttributeValue() noexcept
        {
            const auto quote = peek();

            if (quote != '"' && quote != '\'')
                return false;

            ++text;

            while (! atEnd() && *text != quote)
            {
                if (*text == '<')
                    return false;

                if (*text == '&')
                {
                    if (! readReference())
                        return false;
                }
                else
                {
                    ++text;
                }
            }

            if (atEnd())
                return false;

            ++text;
            return true;
        }

        bool readElement (int depth) noexcept
        {
            if (depth > maximumDepth || peek() != '<')
                return false;

            ++text;
            const char* name = nullptr;
            size_t nameLength = 0;

            if (! readName (name, nameLength))
                return false;

            for (;;)
            {
                const auto hadWhitespace = isWhitespace (peek());
                skipWhitespace();

                if (startsWith ("/>"))
                {
                    text += 2;
                    return true;
                }

                if (peek() == '>')
                {
                    ++text;
                    break;
                }

                const char* attribute = nullptr;
                size_t attributeLength = 0;

                if (! hadWhitespace || ! readName (attribute, attributeLength))
                    return false;

                skipWhitespace();

                if (peek() != '=')
                    return false;

                ++text;
                skipWhitespace();

                if (! readAttributeValue())
                    return false;
            }

            // Content: text, references and child elements, up to the matching closing tag.
            for (;;)
            {
                if (atEnd())
                    return false;

                if (startsWith ("</"))
                {
                    text += 2;
                    const char* closing = nullptr;
                    size_t closingLength = 0;

                    if (! readName (closing, closingLength)
                        || closingLength != nameLength || std::memcmp (closing, name, nameLength) != 0)
                        return false;

                    skipWhitespace();

                    if (peek() != '>')
                        return false;

                    ++text;
                    return true;
                }

                if (*text == '<')
                {
                    if (! readElement (depth + 1))
                        return false;
                }
                else if (*text == '&')
                {
                    if (! readReference())
                        return false;
                }
                else
                {
                    ++text;
                }
            }
        }

        const char* text;
        const char* end;
    };
}

bool isSafeStateText (const char* text, int numBytes) noexcept
{
    if (text == nullptr || numBytes <= 0)
        return false;

    return isWellFormedUtf8 (reinterpret_cast<const std::uint8_t*> (text), numBytes)
        && PlainXmlReader (text, numBytes).readDocument();
}
}
