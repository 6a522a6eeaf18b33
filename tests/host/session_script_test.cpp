// The session script reader: which lines it takes, what it makes of them,
// and the error each bad line gives; then the checks against the pins.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tools/common/HostError.h"
#include "tools/session/SessionScript.h"
#include "tools/session/WindowSteps.h"

namespace {

using Kind = ScriptEvent::Kind;

struct GoodLine {
    const char* line;
    Kind kind;
    std::int32_t pin;
    std::u16string text;
    double number;
    std::int32_t waitMs;
    bool onSend = false;
};

struct BadLine {
    const char* line;
    const char* error;
    bool tooLarge;
};

ClassPins echoPins() {
    return {"Test-Echo", 2,
            {{0, PinType::Text, PinDirection::InOut, false},
             {1, PinType::Float, PinDirection::In, true, repeatBound},
             {-5, PinType::Text, PinDirection::Out, false}},
            ""};
}

}  // namespace

TEST(SessionScript, ReadsGoodLines) {
    const GoodLine cases[] = {
        {"text 0 \" 1, 2.5 ,abc\"", Kind::Text, 0, u" 1, 2.5 ,abc", 0, 0},
        {"  text\t0\t\"\"   ", Kind::Text, 0, u"", 0, 0},
        {"text 0 \"a\\\"b\\\\c\\n\\r\\t\" # trailing comment", Kind::Text, 0, u"a\"b\\c\n\r\t", 0, 0},
        {"text 0 \"\\u00e9\\uD800 \xC3\xA9 \xF0\x9F\x8E\xB5 # not a comment\"", Kind::Text, 0,
         u"\u00e9\xD800 \u00e9 \U0001F3B5 # not a comment", 0, 0},
        {"text -3 \"x\"", Kind::Text, -3, u"x", 0, 0},
        {"float 2 7.25", Kind::Float, 2, u"", 7.25, 0},
        {"float 2 -1e3\r", Kind::Float, 2, u"", -1000, 0},
        {"float 1 inf", Kind::Float, 1, u"", HUGE_VAL, 0},
        {"float 2147483647 0", Kind::Float, 2147483647, u"", 0, 0},
        {"notify 0", Kind::Notify, 0, u"", 0, 0},
        {"wait 20", Kind::Wait, 0, u"", 0, 20},
        {"wait 0#now", Kind::Wait, 0, u"", 0, 0},
        {"release", Kind::Release, 0, u"", 0, 0},
        {"on-send float 2 1.5", Kind::Float, 2, u"", 1.5, 0, true},
        {"on-send  notify 0 # from inside the next send", Kind::Notify, 0, u"", 0, 0, true},
        {"on-send release", Kind::Release, 0, u"", 0, 0, true},
    };
    for (const GoodLine& row : cases) {
        SCOPED_TRACE(row.line);
        std::optional<ScriptError> error;
        const auto event = parseScriptLine(row.line, 7, error);
        ASSERT_FALSE(error) << error->message;
        ASSERT_TRUE(event);
        EXPECT_EQ(event->kind, row.kind);
        EXPECT_EQ(event->line, 7);
        EXPECT_EQ(event->pin, row.pin);
        EXPECT_EQ(event->text, row.text);
        EXPECT_EQ(event->number, row.number);
        EXPECT_EQ(event->waitMs, row.waitMs);
        EXPECT_EQ(event->onSend, row.onSend);
        // Written back, the line reads as the same event.
        std::optional<ScriptError> again;
        const auto reread = parseScriptLine(scriptLine(*event), 7, again);
        ASSERT_TRUE(reread);
        EXPECT_EQ(scriptLine(*reread), scriptLine(*event));
    }
}

TEST(SessionScript, SkipsBlankAndCommentLines) {
    for (const char* line : {"", "   ", "\t\r", "# a comment", "   # indented comment", "#text 0 \"x\""}) {
        SCOPED_TRACE(line);
        std::optional<ScriptError> error;
        EXPECT_FALSE(parseScriptLine(line, 1, error));
        EXPECT_FALSE(error);
    }
}

TEST(SessionScript, NamesWhatABadLineLacks) {
    const BadLine cases[] = {
        {"txt 0 \"a\"", "expected text, float, notify, wait, release, on-send or a window line (open, close, arrange, paint, "
                        "press, move, release-mouse, right-press, right-release, double-click, wheel, key, key-up); got 'txt'", false},
        {"Text 0 \"a\"", "expected text, float, notify, wait, release, on-send or a window line (open, close, arrange, paint, "
                        "press, move, release-mouse, right-press, right-release, double-click, wheel, key, key-up); got 'Text'", false},
        {"on-send wait 5", "expected text, float, notify or release after on-send; got 'wait'", false},
        {"on-send on-send notify 0", "expected text, float, notify or release after on-send; got 'on-send'", false},
        {"text", "expected a pin index (an integer) after text; got the end of the line", false},
        {"text x \"a\"", "expected a pin index (an integer) after text; got 'x'", false},
        {"text 1.5 \"a\"", "expected a pin index (an integer) after text; got '1.5'", false},
        {"notify 2147483648", "pin index 2147483648 is outside the 32-bit range", false},
        {"text 0 abc", "expected a text in double quotes after text 0", false},
        {"text 0", "expected a text in double quotes after text 0", false},
        {"text 0 \"abc", "the text has no closing double quote after text 0", false},
        {"text 0 \"a\\qb\"", "unknown escape \\q (use \\\" \\\\ \\n \\r \\t or \\uXXXX) after text 0", false},
        {"text 0 \"\\u12\"", "expected four hexadecimal digits after \\u after text 0", false},
        {"text 0 \"\xC3\x28\"", "the text is not valid UTF-8 after text 0", false},
        {"text 0 \"a\" \"b\"", "unexpected '\"b\"' after text (a comment starts with #)", false},
        {"float 2", "expected a number after float 2; got the end of the line", false},
        {"float 2 7,25", "expected a number after float 2; got '7,25'", false},
        {"float 2 0x10", "expected a number after float 2; got '0x10'", false},
        {"float 2 1e400", "value 1e400 does not fit a float pin", true},
        {"notify", "expected a pin index (an integer) after notify; got the end of the line", false},
        {"notify 0 1", "unexpected '1' after notify (a comment starts with #)", false},
        {"wait", "expected milliseconds from 0 to 3600000 after wait; got the end of the line", false},
        {"wait -1", "expected milliseconds from 0 to 3600000 after wait; got '-1'", false},
        {"wait 3600001", "expected milliseconds from 0 to 3600000 after wait; got '3600001'", false},
        {"wait 2.5", "expected milliseconds from 0 to 3600000 after wait; got '2.5'", false},
        {"release now", "unexpected 'now' after release (a comment starts with #)", false},
    };
    for (const BadLine& row : cases) {
        SCOPED_TRACE(row.line);
        std::optional<ScriptError> error;
        EXPECT_FALSE(parseScriptLine(row.line, 4, error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->message, row.error);
        EXPECT_EQ(error->line, 4);
        EXPECT_EQ(error->valueTooLarge, row.tooLarge);
    }
}

TEST(SessionScript, ReportsFileAndLineAndRefusesEventsAfterRelease) {
    struct Row {
        const char* script;
        ExitCode code;
        const char* message;
    };
    const Row cases[] = {
        {"# demo\n\ntext 0 \"1\"\nfloat 2 x\n", ExitCode::BadScriptLine, "demo.txt:4: expected a number after float 2; got 'x'"},
        {"float 3 -2e39\nfloat 3 1e39999\n", ExitCode::ValueTooLarge, "demo.txt:2: value 1e39999 does not fit a float pin"},
        {"release\nwait 5\nnotify 0\n", ExitCode::BadScriptLine, "demo.txt:3: expected only wait after release; the object is gone"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.script);
        std::istringstream in(row.script);
        try {
            SessionScript::read(in, "demo.txt");
            ADD_FAILURE() << "no error";
        } catch (const HostError& error) {
            EXPECT_EQ(error.code, row.code);
            EXPECT_STREQ(error.what(), row.message);
        }
    }
    std::istringstream good("text 0 \"a\"\r\nnotify 0\r\nrelease\r\nwait 1\r\n");
    EXPECT_EQ(SessionScript::read(good, "crlf.txt").events.size(), 4u);
    // A release armed for the next send may never happen: events may follow it.
    std::istringstream armed("on-send release\ntext 0 \"a\"\nnotify 0\n");
    EXPECT_EQ(SessionScript::read(armed, "armed.txt").events.size(), 3u);
}

TEST(SessionScript, ChecksEventsAgainstThePins) {
    struct Row {
        const char* script;
        int line;  // 0: no error
        const char* message;
        bool tooLarge;
    };
    const Row cases[] = {
        {"text 0 \"a\"\nfloat 1 2\nfloat 65536 3\nnotify 1\nnotify -5\nwait 1\nrelease\n", 0, "", false},
        {"float 65537 1\n", 1, "pin 65537 is not in the pin description of Test-Echo", false},
        {"notify -1\n", 1, "pin -1 is not in the pin description of Test-Echo", false},
        {"text 0 \"a\"\ntext 2 \"b\"\n", 2, "pin 2 is a float pin; expected float 2 ...", false},
        {"float 0 1\n", 1, "pin 0 is a text pin; expected text 0 ...", false},
        {"text -5 \"a\"\n", 1, "pin -5 is an output pin; the host delivers nothing on it", false},
        {"float 2 3.4028235e38\nfloat 2 -3.5e38\n", 2, "value -3.5e+38 does not fit float pin 2 (largest is 3.4028235e38)", true},
        {"float 2 -inf\nfloat 2 nan\nfloat 2 1e-50\n", 0, "", false},
    };
    const ClassPins pins = echoPins();
    for (const Row& row : cases) {
        SCOPED_TRACE(row.script);
        std::istringstream in(row.script);
        const auto error = SessionScript::read(in, "s").check(pins);
        if (row.line == 0) {
            EXPECT_FALSE(error) << error->message;
            continue;
        }
        ASSERT_TRUE(error);
        EXPECT_EQ(error->line, row.line);
        EXPECT_EQ(error->message, row.message);
        EXPECT_EQ(error->valueTooLarge, row.tooLarge);
    }
}

TEST(SessionScript, ReadsWindowLines) {
    struct Row {
        const char* line;
        const char* read;  // as written back; empty: refused with `error`
        const char* error;
    };
    const Row cases[] = {
        {"open", "open", ""},
        {"close # and gone", "close", ""},
        {"paint", "paint", ""},
        {"arrange 10 -5 200 80", "arrange 10 -5 200 80", ""},
        {"arrange 200 80", "arrange 0 0 200 80", ""},
        {"press 20 30", "press 20 30", ""},
        {"move -40 30000", "move -40 30000", ""},
        {"release-mouse 300 30", "release-mouse 300 30", ""},
        {"right-press 20 30", "right-press 20 30", ""},
        {"right-release -1 2 # outside", "right-release -1 2", ""},
        {"double-click 5 6", "double-click 5 6", ""},
        {"wheel 20 30 -120", "wheel 20 30 -120", ""},
        {"wheel 0 0 32767", "wheel 0 0 32767", ""},
        {"wheel 0 0 -32768", "wheel 0 0 -32768", ""},
        {"key a", "key a", ""},
        {"key-up z", "key-up z", ""},
        {"key 0", "key 0", ""},
        {"key f12", "key f12", ""},
        {"key page-down", "key page-down", ""},
        {"key-up shift", "key-up shift", ""},
        {"double-click 5", "", "expected x and y (whole pixels from -30000 to 30000) after double-click; got the end of the line"},
        {"wheel 20 30", "", "expected the wheel's turn after x and y (a whole number from -32768 to 32767, not 0; 120 a notch away "
                            "from the user); got the end of the line"},
        {"wheel 20 30 0", "", "expected the wheel's turn after x and y (a whole number from -32768 to 32767, not 0; 120 a notch away "
                              "from the user); got '0'"},
        {"wheel 20 30 32768", "", "expected the wheel's turn after x and y (a whole number from -32768 to 32767, not 0; 120 a notch "
                                  "away from the user); got '32768'"},
        {"right-press 1 2 3", "", "unexpected '3' after right-press (a comment starts with #)"},
        {"key A", "", "expected a key name after key (a to z, 0 to 9, f1 to f12, space, enter, escape, tab, backspace, delete, insert, "
                      "home, end, page-up, page-down, left, right, up, down, shift, control); got 'A'"},
        {"key f13", "", "expected a key name after key (a to z, 0 to 9, f1 to f12, space, enter, escape, tab, backspace, delete, "
                        "insert, home, end, page-up, page-down, left, right, up, down, shift, control); got 'f13'"},
        {"key-up", "", "expected a key name after key-up (a to z, 0 to 9, f1 to f12, space, enter, escape, tab, backspace, delete, "
                       "insert, home, end, page-up, page-down, left, right, up, down, shift, control); got the end of the line"},
        {"key a b", "", "unexpected 'b' after key (a comment starts with #)"},
        {"on-send key a", "", "expected text, float, notify or release after on-send; got 'key'"},
        {"arrange 1 2 3", "", "expected x y width height, or width height, after arrange; got 3 numbers"},
        {"arrange 0 0 0 10", "", "an arranged side is 1 to 8192 pixels; got 0 by 10"},
        {"arrange 9000 10", "", "an arranged side is 1 to 8192 pixels; got 9000 by 10"},
        {"arrange a 10", "", "expected x y width height, or width height, after arrange; got 'a'"},
        {"press 20", "", "expected x and y (whole pixels from -30000 to 30000) after press; got the end of the line"},
        {"move 1 30001", "", "expected x and y (whole pixels from -30000 to 30000) after move; got '30001'"},
        {"open 1", "", "unexpected '1' after open (a comment starts with #)"},
        {"on-send press 1 1", "", "expected text, float, notify or release after on-send; got 'press'"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.line);
        std::optional<ScriptError> error;
        const auto event = parseScriptLine(row.line, 3, error);
        if (*row.read == '\0') {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->message, row.error);
            continue;
        }
        ASSERT_FALSE(error) << error->message;
        ASSERT_TRUE(event);
        EXPECT_TRUE(isWindowEvent(*event));
        EXPECT_EQ(scriptLine(*event), row.read);
    }
}

TEST(SessionScript, WindowLinesNeedAnObjectWithAWindow) {
    std::istringstream in("text 0 \"a\"\narrange 0 0 50 50\npaint\npress 1 1\nwheel 1 1 120\nkey enter\n");
    const SessionScript script = SessionScript::read(in, "s");
    EXPECT_FALSE(script.check(echoPins())) << "window lines are no pin events";
    ObjectProfile gdi{GuiFamily::Legacy, true, true, false};
    EXPECT_FALSE(windowLinesProblem(script, gdi));
    ObjectProfile composited{GuiFamily::Legacy, true, false, true};
    const auto paint = windowLinesProblem(script, composited);
    ASSERT_TRUE(paint);
    EXPECT_EQ(paint->line, 3);
    EXPECT_EQ(paint->message,
              "paint needs an object with a window of its own (IMpGraphicsWinGdi); this class makes " + composited.describe() +
                  ", which takes arrange only");
    const auto arrange = windowLinesProblem(script, ObjectProfile{GuiFamily::Version2, false, false, false});
    ASSERT_TRUE(arrange);
    EXPECT_EQ(arrange->line, 2);
    EXPECT_TRUE(arrange->message.rfind("arrange needs an object that draws", 0) == 0) << arrange->message;
    // Composited drawing has no calls for the pointer or keys: every input line is refused for it.
    for (const char* line : {"right-press 1 1", "right-release 1 1", "double-click 1 1", "wheel 1 1 120", "key enter", "key-up a"}) {
        SCOPED_TRACE(line);
        std::istringstream one(line);
        const auto refused = windowLinesProblem(SessionScript::read(one, "s"), composited);
        ASSERT_TRUE(refused);
        const std::string keyword(line, std::string_view(line).find(' '));
        EXPECT_EQ(refused->message, keyword + " needs an object with a window of its own (IMpGraphicsWinGdi); this class makes " +
                                        composited.describe() + ", which takes arrange only");
    }
}
