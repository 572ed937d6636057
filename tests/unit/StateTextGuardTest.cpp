#include "plugin/StateTextGuard.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
    bool isSafe (const std::string& text)
    {
        return warble::isSafeStateText (text.data(), (int) text.size());
    }

    std::string nested (int depth)
    {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    }
}

TEST (StateTextGuard, AcceptsThePlainFormStatesAreWrittenIn)
{
    const std::string accepted[] = {
        R"(<?xml version="1.0" encoding="UTF-8"?> <Parameters><PARAM id="glideTime" value="80.0"/></Parameters>)",
        R"(<Parameters><PARAM id="volume" value="0.5"/><PARAM id="legato" value="1"/></Parameters>)",
        R"(<Parameters/>)",
        "<Parameters>\n  <PARAM id='a' value=\"&amp;&lt;&gt;&quot;&apos;&#10;&#x1F600;\"/>\n</Parameters>\n",
        R"(<Parameters><PARAM id="note">text &amp; more</PARAM></Parameters>)",
        "<Parameters><PARAM id=\"caf\xc3\xa9\" value=\"\xe2\x82\xac \xf0\x9f\x8e\xb9\"/></Parameters>",
        std::string (R"(<Parameters/>)") + '\0' + "anything after the zero byte \xff",
        nested (64),
    };

    for (const auto& text : accepted)
        EXPECT_TRUE (isSafe (text)) << text;
}

TEST (StateTextGuard, RefusesWhatCouldMisleadTheParser)
{
    const std::pair<const char*, std::string> refused[] = {
        { "empty",                       "" },
        { "invalid byte",                "<Parameters id=\"\xff\"/>" },
        { "stray lead byte",             "<Parameters id=\"\xda" "a\"/>" },
        { "lone continuation byte",      "<Parameters id=\"\x80\"/>" },
        { "overlong encoding",           "<Parameters id=\"\xc0\xaf\"/>" },
        { "surrogate",                   "<Parameters id=\"\xed\xa0\x80\"/>" },
        { "beyond U+10FFFF",             "<Parameters id=\"\xf4\x90\x80\x80\"/>" },
        { "truncated sequence",          "<Parameters/>\xe2\x82" },
        { "declaration inside content",  R"(<Parameters><?xml version="1.0"?></Parameters>)" },
        { "comment",                     R"(<Parameters><!-- note --></Parameters>)" },
        { "CDATA",                       R"(<Parameters><![CDATA[x]]></Parameters>)" },
        { "document type",               R"(<!DOCTYPE p [<!ENTITY e "<a/>">]><Parameters>&e;</Parameters>)" },
        { "unknown entity",              R"(<Parameters>&e;</Parameters>)" },
        { "empty entity",                R"(<Parameters>&;</Parameters>)" },
        { "unterminated reference",      R"(<Parameters id="&amp"/>)" },
        { "numeric reference too long",  R"(<Parameters id="&#12345678;"/>)" },
        { "unterminated element",        R"(<Parameters><PARAM id="x"/>)" },
        { "mismatched closing tag",      R"(<Parameters></Parameter>)" },
        { "unquoted attribute",          R"(<Parameters id=x/>)" },
        { "unterminated attribute",      R"(<Parameters id="x/>)" },
        { "'<' in an attribute",         R"(<Parameters id="<"/>)" },
        { "attributes run together",     R"(<Parameters a="1"b="2"/>)" },
        { "second root",                 R"(<Parameters/><Parameters/>)" },
        { "text after the root",         R"(<Parameters/> trailing)" },
        { "no element",                  R"(<?xml version="1.0"?>)" },
        { "too deep",                    nested (65) },
    };

    for (const auto& [what, text] : refused)
        EXPECT_FALSE (isSafe (text)) << what;

    EXPECT_FALSE (warble::isSafeStateText (nullptr, 10));
}
