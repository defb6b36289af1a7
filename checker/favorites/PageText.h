// What a reader sees of an HTML page: its title and the text of its body, found as a browser's
// tokenizer finds it. Left out: what <script>, <style>, <template>, <noscript>, <iframe>,
// <noembed>, <noframes>, <svg> and <math> hold, comments, the document type, tags and their
// attributes. Character references are decoded; every run of white space (a no-break space
// included, and the place of a tag that begins a new block, such as <p>, <div>, <li>, <br>) is
// one blank, none at either end; CR LF and CR count as LF. Read piece by piece, byte by byte,
// with a state of a few bytes and counters instead of a stack of elements: a page of any size or
// nesting costs one pass and no more memory. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <string>

// Writes the character a reference stands for into out (room for 8 bytes) in the code page the
// page is read in, and returns its length; a character the code page lacks may become "?".
using ReferenceWriter = size_t (*)(char32_t character, char* out, unsigned codePage);

// The writer for a page read as UTF-8 (code page 65001), whatever codePage says.
size_t WriteUtf8Character(char32_t character, char* out, unsigned codePage);

class PageText {
public:
    // The most of the first title that is kept, in bytes.
    static constexpr size_t kTitleLimit = 512;

    // The page's bytes are in codePage, whose first 128 characters are ASCII (UTF-8, Shift_JIS,
    // a Windows code page); in UTF-8, C2 A0 is a no-break space.
    explicit PageText(unsigned codePage = 65001, ReferenceWriter writer = WriteUtf8Character);

    // The next bytes of the page: its readable text is appended to out.
    void Feed(const char* bytes, size_t length, std::string& out);
    // The page has ended: what waited for more (an "&", a "<", a reference) is settled.
    void Finish(std::string& out);

    // The text of the page's first <title>, as the readable text holds it, at most kTitleLimit
    // bytes (cut anywhere: the caller cuts on a character).
    const std::string& Title() const { return title_; }
    // That title's end tag has come.
    bool TitleEnded() const { return titleEnded_; }

private:
    enum class State : unsigned char;
    enum class Reference : unsigned char;

    size_t Run(const char* text, size_t length);
    void Take(unsigned char c);
    bool Step(unsigned char c);
    bool StepText(unsigned char c);
    bool StepTag(unsigned char c);
    bool StepAttribute(unsigned char c);
    bool StepMarkup(unsigned char c);
    bool StepComment(unsigned char c);
    bool StepRawEnd(unsigned char c);
    bool StepScript(unsigned char c);
    bool StepDoubleEscape(unsigned char c);
    bool StepReference(unsigned char c);
    void EndReference();
    void EmitTag();
    void StartTag(const char* name, unsigned flags);
    void EndTag(unsigned flags);
    void EnterRaw(State state, const char* name, bool shown);
    bool Shown() const;

    // The readable text, in order: bytes of the page, blanks, characters of references.
    void Out(unsigned char c);
    void OutText(const char* text, size_t length);
    void Write(unsigned char c);
    void Blank();
    void Character(char32_t c);

    ReferenceWriter writer_;
    unsigned codePage_;
    bool utf8_;
    std::string* out_ = nullptr;
    State state_;
    State returnState_; // where a reference or a raw text's end tag that is none goes back to
    bool lastCr_ = false;

    bool written_ = false; // some text went out: a blank may follow
    bool blank_ = false;   // a blank is due before the next text
    bool heldC2_ = false;  // a C2 byte that may begin a no-break space in UTF-8
    std::string title_;
    bool inTitle_ = false;   // the first title's text is being read
    bool titleSeen_ = false; // a title began
    bool titleEnded_ = false;
    bool titleBlank_ = false;

    // The tag being read: its name in lower case (a longer name than kNameLimit matches none),
    // whether it is an end tag, closes itself, or ends a raw text.
    std::string name_;
    bool endTag_ = false;
    bool selfClosing_ = false;
    bool endsRaw_ = false;
    // The element whose raw text (script, style, title, ...) is being read, and whether a reader
    // sees that text; the end tag's name as it comes.
    const char* rawName_ = "";
    bool rawShown_ = false;
    bool rawBlock_ = false; // its end begins a new block too
    std::string endName_;
    // The "<!" being matched against "--", "DOCTYPE" and "[CDATA[".
    std::string markup_;
    // A script's "<!--<script>" and "</script" inside it, being matched.
    std::string escapeName_;
    // Inside <template>, and inside <svg> or <math>: text nobody sees.
    unsigned long templateDepth_ = 0;
    unsigned long foreignDepth_ = 0;

    Reference reference_;
    std::string referenceText_; // after "&"
    unsigned long referenceValue_ = 0;
};
