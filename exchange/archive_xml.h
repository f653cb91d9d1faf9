#pragma once
// The track archive's XML, read by libxml2 without building the document: a first pass that
// only checks it through, then a reader that holds no more of it than the node it is at.
// Nothing the document names is loaded, nothing is fetched, and what libxml2 says of a
// document is kept for the loader's message instead of being printed.

#include <libxml/xmlreader.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vandrel {

// Checks the bytes on their way to the parser, which spends time or memory out of proportion on
// some: it compares each attribute of an element with every one before it; it holds the text
// before and after the root element whole; and the reader keeps long texts between elements,
// and comments, at a cost many times their length. One tag may carry a bounded number of
// attributes and bytes, far above what the program writes (seven short attributes to a point);
// what lies between two tags (or before the first, or after the last) is bounded, where the
// program writes a line break and indentation; and so are all the comments, instructions and
// declarations together, of which it writes only the XML declaration.
class FeedCheck {
  public:
    // False, with the reason, once the bytes so far go past a bound.
    bool take(const char* bytes, size_t count, std::string& reason);
    // The text of an element of this local name may run on without bound: a reader that takes
    // it in pieces holds no more of it than a piece. The name must outlive the check.
    void allowLongTextIn(std::string_view localName) {
        longTextIn_ = localName.substr(0, name_.size() - 1);
    }

  private:
    enum class At {
        Text,
        Open,
        Bang,
        CommentOpen,
        Comment,
        CData,
        Instruction,
        Declaration,
        Tag,
        Quoted
    };
    void step(char c);
    void tagByte(char c);
    void nameTag(char c);
    std::string boundPassed() const;
    bool inTag() const { return at_ == At::Tag || (at_ == At::Quoted && quotedFrom_ == At::Tag); }

    At at_ = At::Text;
    At quotedFrom_ = At::Tag;
    char quote_ = '"';
    int run_ = 0;  // closing bytes seen: "--" of a comment, "]]" of a CDATA section, "?"
    size_t tagBytes_ = 0;
    size_t attributes_ = 0;
    size_t between_ = 0;  // bytes since the last tag
    size_t markup_ = 0;   // bytes of comments, instructions, declarations and CDATA sections
    // Whether the text now read is that of an element named longTextIn_, told by the local
    // name of the last tag (kept up to the length of name_, longer than any name looked for).
    std::string_view longTextIn_;
    bool longText_ = false;
    bool naming_ = false;
    bool endTag_ = false;
    char lastTagByte_ = 0;
    std::array<char, 32> name_{};
    size_t nameLength_ = 0;
};

// Where the archive's bytes come from: an opened file, or text already in memory. Each pass
// reads it from the start.
class ArchiveSource {
  public:
    explicit ArchiveSource(std::FILE* file) : file_(file) {}
    explicit ArchiveSource(std::string_view text) : text_(text) {}

    void rewind();
    // The text of elements of this local name is read however long (see FeedCheck); the
    // reader must then take it in pieces, as streamXml hands it on. The name must outlive
    // the source.
    void allowLongTextIn(std::string_view localName) {
        longTextIn_ = localName;
        check_.allowLongTextIn(localName);
    }
    // libxml2's read callback: up to size bytes, 0 at the end, -1 when the file cannot be read.
    static int read(void* context, char* buffer, int size);
    // The errno of the read that failed, 0 when none did.
    int error() const { return error_; }
    // Why the bytes were refused (FeedCheck), empty when they were not.
    const std::string& refused() const { return refused_; }
    // Line breaks dropped before the document's first '<' (see read), to be added to the
    // parser's line numbers.
    int linesSkipped() const { return linesSkipped_; }

  private:
    int readBytes(char* buffer, int size);
    int skipLeadingBlanks(char* buffer, int count);
    bool onlyZerosFollow(const char* rest, size_t count);

    std::FILE* file_ = nullptr;
    std::string_view text_;
    size_t offset_ = 0;
    int error_ = 0;
    std::string_view longTextIn_;
    FeedCheck check_;
    std::string refused_;
    bool started_ = false;   // the document's first '<' has been read
    bool zeroTail_ = false;  // the rest of the file is zero bytes, read as its end
    int linesSkipped_ = 0;
};

// What libxml2 reports of a document, kept for the result instead of printed.
class ParseMessages {
  public:
    // libxml2 2.12 made the error it passes const; either form is taken.
    template <typename Error>
    static void keep(void* messages, Error* error) {
        if (error != nullptr) {
            static_cast<ParseMessages*>(messages)->add(error->level, error->code, error->line,
                                                       error->message);
        }
    }
    // A document the parser would read but the loader does not.
    void refuse(const char* reason);
    bool failed() const { return !refused_.empty() || !fatal_.empty(); }
    // Refused whole (a document type, too deep), as opposed to broken off by a fault of XML.
    bool refused() const { return !refused_.empty(); }
    // The line of the first fatal error, 0 when none was told.
    int fatalLine() const { return fatalLine_; }
    bool said() const { return failed() || !error_.empty(); }
    // Why the document was not read; element tells whether it had an element at all.
    std::string reason(bool element) const;

  private:
    void add(int level, int code, int line, const char* message);

    std::string refused_;
    std::string fatal_;  // the first fatal error
    int fatalCode_ = XML_ERR_OK;
    int fatalLine_ = 0;
    std::string error_;  // the first other error
};

// libxml2 tells some failures (of the conversion from a declared encoding, say) to the
// thread's handlers instead of the parser's, and those print them. While one exists, they are
// kept here instead; the thread's handlers come back when it goes.
class ThreadMessages {
  public:
    ThreadMessages();
    ~ThreadMessages();
    ThreadMessages(const ThreadMessages&) = delete;
    ThreadMessages& operator=(const ThreadMessages&) = delete;

    // What a pass says of a document it did not read, or else what the thread was told.
    std::string reason(const ParseMessages& pass, bool element) const;

  private:
    xmlGenericErrorFunc generic_;
    void* genericContext_;
    xmlStructuredErrorFunc structured_;
    void* structuredContext_;
    ParseMessages messages_;
};

// The first pass: reads the whole source with libxml2's parser and handlers that build
// nothing. False, with the reason, for a document that is not well-formed, or that would stop
// the reader later: a document type, elements nested as deep as the parser's bound, a run of
// text longer than its bound for one text node.
bool archiveWellFormed(ArchiveSource& source, const ThreadMessages& thread, std::string& reason);

// An element's attributes as libxml2's SAX2 parser hands them on: for each, its local name,
// prefix, namespace, and the start and end of its value. Valid while the element is reported.
class XmlAttributes {
  public:
    XmlAttributes(const xmlChar** items, int count) : items_(items), count_(count) {}
    // The value of the attribute of this local name (in any namespace); none when it has none.
    std::optional<std::string_view> find(const char* localName) const;

  private:
    const xmlChar** items_;
    int count_;
};

// What a single streamed pass hands on of a document: each element's start and end, and the
// text inside, in pieces of any size (a long text in many). An empty element is reported as a
// start and an end.
class XmlContent {
  public:
    virtual ~XmlContent() = default;
    // False stops the pass (the reader has what it wants, or cannot go on).
    virtual bool start(const char* localName, const char* namespaceUri,
                       const XmlAttributes& attributes) = 0;
    virtual bool end(const char* localName) = 0;
    virtual void text(const char* chars, size_t length) = 0;
};

enum class StreamEnd {
    Read,     // the whole document, well-formed
    Stopped,  // content asked to stop
    // After its first element the document stops being XML (cut short, or damaged): what
    // content was handed before stands, and the fault tells where.
    Broken,
    // Not XML from its start, refused as archiveWellFormed refuses (a document type, too deep,
    // a bound of FeedCheck), or unreadable; the fault's reason is set.
    Refused,
};

// Where and why a streamed pass ended early.
struct StreamFault {
    std::string reason;
    int line = 0;        // the line of the fault in the file, 0 when not known
    bool atEnd = false;  // the bytes ran out before the document ended: a file cut short
};

// One pass with libxml2's parser that hands the document to content as it is read, refusing
// what archiveWellFormed refuses except a long text (content takes text in pieces). What
// content was handed before a refusal or a break stands: it must expect a document that
// breaks off. Blank bytes and a byte-order mark before the document's first '<' are passed
// over, and zero bytes that fill the file to its end (what a device that lost power while
// writing leaves) are read as its end.
StreamEnd streamXml(ArchiveSource& source, const ThreadMessages& thread, XmlContent& content,
                    StreamFault& fault);

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

// A libxml2 reader over the source from its start, one node at a time.
class ArchiveReader {
  public:
    explicit ArchiveReader(ArchiveSource& source);

    // 1 at the next node, 0 at the end of the document, -1 when the document turns out not to
    // be one the loader reads (reason() says why).
    int next();
    std::string reason(const ThreadMessages& thread) const {
        return thread.reason(messages_, element_);
    }

    int nodeType() const { return xmlTextReaderNodeType(reader_.get()); }
    // The node's name without its prefix, and its text ("" for none); valid until next().
    const char* localName() const { return text(xmlTextReaderConstLocalName(reader_.get())); }
    const char* value() const { return text(xmlTextReaderConstValue(reader_.get())); }
    const char* namespaceUri() const { return text(xmlTextReaderConstNamespaceUri(reader_.get())); }
    int depth() const { return xmlTextReaderDepth(reader_.get()); }
    bool isEmptyElement() const { return xmlTextReaderIsEmptyElement(reader_.get()) == 1; }
    // The element's attribute by name, null when it has none.
    std::unique_ptr<xmlChar, XmlFree> attribute(const char* name) const {
        return std::unique_ptr<xmlChar, XmlFree>(
            xmlTextReaderGetAttribute(reader_.get(), reinterpret_cast<const xmlChar*>(name)));
    }
    // Calls visit(name, value) for each attribute of the element; the reader stays at it.
    template <typename Visit>
    void eachAttribute(Visit&& visit) const {
        while (xmlTextReaderMoveToNextAttribute(reader_.get()) == 1) {
            const xmlChar* value = xmlTextReaderConstValue(reader_.get());
            visit(reinterpret_cast<const char*>(xmlTextReaderConstName(reader_.get())),
                  value != nullptr ? reinterpret_cast<const char*>(value) : "");
        }
        xmlTextReaderMoveToElement(reader_.get());
    }

  private:
    static const char* text(const xmlChar* value) {
        return value != nullptr ? reinterpret_cast<const char*>(value) : "";
    }
    struct ReaderFree {
        void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
    };

    std::unique_ptr<xmlTextReader, ReaderFree> reader_;
    ParseMessages messages_;
    bool element_ = false;  // an element was read
};

}  // namespace vandrel
