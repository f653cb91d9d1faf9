#include "exchange/archive_xml.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vandrel {

namespace {

// Nothing the document names is loaded and no entity is substituted (neither
// XML_PARSE_DTDLOAD nor XML_PARSE_NOENT), there is no network access whatever it names
// (XML_PARSE_NONET), and the parser's bounds on depth, names and text lengths stay (no
// XML_PARSE_HUGE).
constexpr int kParseOptions = XML_PARSE_NONET;
// The reader's nodes: blank text between the elements is dropped unread, and short texts live
// in their nodes instead of allocations of their own.
constexpr int kReaderOptions = kParseOptions | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

// No archive declares a document type, and what one declares (entities above all) only gives
// the parser work or points outside the file: both passes refuse such a document whole.
constexpr const char* kDocumentTypeRefused =
    "it declares a document type, which no track file does";

void initialiseParser() {
    static const bool initialised = (xmlInitParser(), true);
    (void)initialised;
}

void ignore(void*, const char*, ...) {}

// The first pass: libxml2's parser with handlers that build nothing, or that hand the document
// on to content (streamXml). Besides what the parser refuses, it refuses what would stop the
// reader of the second pass, or more: a document type, elements nested as deep as the
// parser's bound for the tree, and (without content, which takes text in pieces) a run of
// text longer than its bound for one text node.
class FirstPass {
  public:
    static StreamEnd run(ArchiveSource& source, const ThreadMessages& thread, XmlContent* content,
                         StreamFault& fault);

  private:
    template <typename Error>
    static void error(void* pass, Error* error) {
        ParseMessages::keep(&static_cast<FirstPass*>(pass)->messages_, error);
    }
    static void doctype(void* pass, const xmlChar*, const xmlChar*, const xmlChar*) {
        static_cast<FirstPass*>(pass)->refuse(kDocumentTypeRefused);
    }
    static void start(void* context, const xmlChar* localName, const xmlChar*, const xmlChar* uri,
                      int, const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
        FirstPass& pass = *static_cast<FirstPass*>(context);
        pass.element_ = true;
        pass.text_ = 0;
        if (++pass.depth_ >= xmlParserMaxDepth) {
            pass.refuse("its elements nest too deep");
        } else if (pass.content_ != nullptr &&
                   !pass.content_->start(text(localName), text(uri),
                                         XmlAttributes(attributes, attributeCount))) {
            pass.stop();
        }
    }
    static void end(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*) {
        FirstPass& pass = *static_cast<FirstPass*>(context);
        pass.text_ = 0;
        --pass.depth_;
        if (pass.content_ != nullptr && !pass.content_->end(text(localName))) {
            pass.stop();
        }
    }
    static void characters(void* context, const xmlChar* chars, int length) {
        FirstPass& pass = *static_cast<FirstPass*>(context);
        if (pass.content_ != nullptr) {
            pass.content_->text(reinterpret_cast<const char*>(chars), static_cast<size_t>(length));
            return;
        }
        pass.text_ += static_cast<size_t>(length);
        if (pass.text_ > XML_MAX_TEXT_LENGTH) {
            pass.refuse("it holds a text longer than a track file has");
        }
    }
    static const char* text(const xmlChar* value) {
        return value != nullptr ? reinterpret_cast<const char*>(value) : "";
    }
    void refuse(const char* reason) {
        messages_.refuse(reason);
        xmlStopParser(context_);
    }
    void stop() {
        stopped_ = true;
        xmlStopParser(context_);
    }

    xmlParserCtxtPtr context_ = nullptr;
    XmlContent* content_ = nullptr;
    ParseMessages messages_;
    unsigned depth_ = 0;
    size_t text_ = 0;  // characters since the last tag
    bool element_ = false;
    bool stopped_ = false;  // by content
};

struct ParserFree {
    void operator()(xmlParserCtxt* context) const {
        if (context->myDoc != nullptr) {
            xmlFreeDoc(context->myDoc);
        }
        xmlFreeParserCtxt(context);
    }
};

StreamEnd FirstPass::run(ArchiveSource& source, const ThreadMessages& thread, XmlContent* content,
                         StreamFault& fault) {
    std::string& reason = fault.reason;
    initialiseParser();
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.internalSubset = &FirstPass::doctype;
    handler.startElementNs = &FirstPass::start;
    handler.endElementNs = &FirstPass::end;
    handler.characters = &FirstPass::characters;
    handler.ignorableWhitespace = &FirstPass::characters;
    handler.cdataBlock = &FirstPass::characters;
    handler.serror = &FirstPass::error;
    FirstPass pass;
    pass.content_ = content;
    const std::unique_ptr<xmlParserCtxt, ParserFree> context(
        xmlCreatePushParserCtxt(&handler, &pass, nullptr, 0, nullptr));
    if (context == nullptr) {
        reason = "out of memory";
        return StreamEnd::Refused;
    }
    pass.context_ = context.get();
    xmlCtxtUseOptions(context.get(), kParseOptions);
    source.rewind();
    std::vector<char> chunk(64 * 1024);
    // The parser may stop without marking the document unreadable (on a failed conversion
    // from its declared encoding, for one): only its return says so then.
    bool stopped = false;
    int count = 0;
    for (;;) {
        count = ArchiveSource::read(&source, chunk.data(), static_cast<int>(chunk.size()));
        if (count < 0) {
            reason = source.refused().empty() ? "the file cannot be read" : source.refused();
            return StreamEnd::Refused;
        }
        stopped = xmlParseChunk(context.get(), chunk.data(), count, count == 0 ? 1 : 0) != 0 ||
                  context->wellFormed == 0 || context->disableSAX != 0 || pass.messages_.failed();
        if (pass.stopped_ && !pass.messages_.failed()) {
            return StreamEnd::Stopped;
        }
        if (count == 0 || stopped) {
            break;
        }
    }
    if (!stopped && pass.element_) {
        return StreamEnd::Read;
    }
    reason = thread.reason(pass.messages_, pass.element_);
    const int line = pass.messages_.fatalLine();
    fault.line = line > 0 ? line + source.linesSkipped() : 0;
    // The parser reads every whole token it is given: a fault that shows only once it is told
    // the bytes have ended lies in the file's last, unfinished piece.
    fault.atEnd = count == 0;
    return pass.element_ && !pass.messages_.refused() ? StreamEnd::Broken : StreamEnd::Refused;
}

}  // namespace

// The bounds of FeedCheck. Runs between tags of 16 kB keep the reader's memory to tens of
// megabytes whatever the file's length; a point the program writes is under 1 kB.
constexpr size_t kMostTagAttributes = 64;
constexpr size_t kMostTagBytes = 64 * 1024;
constexpr size_t kMostBytesBetweenTags = 16 * 1024;
constexpr size_t kMostMarkupBytes = 1024 * 1024;

namespace {

bool endsTagRun(char c) {
    return c == '"' || c == '\'' || c == '=' || c == '>';
}

bool endsNameRun(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == ':';
}

}  // namespace

bool FeedCheck::take(const char* bytes, size_t count, std::string& reason) {
    const char* p = bytes;
    const char* const end = bytes + count;
    // The bytes are read as ASCII: in UTF-16 or UTF-32, whose every ASCII character has a zero
    // byte, a character's bytes could stand for markup and hide the tags from the check.
    if (std::memchr(bytes, 0, count) != nullptr) {
        reason = "it holds a zero byte: a track file is in UTF-8";
        return false;
    }
    while (p < end) {
        if (at_ == At::Text || at_ == At::Quoted) {
            // Text and quoted values are passed over whole, up to the byte that ends them.
            const char* stop = static_cast<const char*>(
                std::memchr(p, at_ == At::Text ? '<' : quote_, static_cast<size_t>(end - p)));
            const size_t length = static_cast<size_t>((stop != nullptr ? stop : end) - p);
            if (inTag()) {
                tagBytes_ += length;
            } else if (at_ == At::Quoted || !longText_) {
                between_ += length;
                markup_ += at_ == At::Quoted ? length : 0;
            }
            p += length;
        } else if (at_ == At::Tag) {
            // So is a tag's run of bytes that change nothing but its length (and the name,
            // while it is read).
            const char* stop = p;
            while (stop < end && !endsTagRun(*stop) && !(naming_ && endsNameRun(*stop))) {
                ++stop;
            }
            if (stop > p) {
                const size_t length = static_cast<size_t>(stop - p);
                if (naming_) {
                    const size_t kept = std::min(length, name_.size() - nameLength_);
                    std::memcpy(name_.data() + nameLength_, p, kept);
                    nameLength_ += kept;
                }
                tagBytes_ += length;
                lastTagByte_ = stop[-1];
                p = stop;
            }
        }
        if (p < end) {
            step(*p++);
        }
        // One test on the way; which bound was passed is told once it has been.
        if (between_ > kMostBytesBetweenTags || markup_ > kMostMarkupBytes ||
            (inTag() && (attributes_ > kMostTagAttributes || tagBytes_ > kMostTagBytes))) {
            reason = boundPassed();
            return false;
        }
    }
    return true;
}

std::string FeedCheck::boundPassed() const {
    if (inTag() && attributes_ > kMostTagAttributes) {
        return "an element carries more than " + std::to_string(kMostTagAttributes) + " attributes";
    }
    if (inTag() && tagBytes_ > kMostTagBytes) {
        return "a tag carries more than " + std::to_string(kMostTagBytes) + " bytes";
    }
    if (between_ > kMostBytesBetweenTags) {
        return "it holds more than " + std::to_string(kMostBytesBetweenTags) +
               " bytes of text, comments or instructions in one place";
    }
    return "it holds more than " + std::to_string(kMostMarkupBytes) +
           " bytes of comments, instructions or declarations";
}

void FeedCheck::step(char c) {
    if (!inTag()) {
        ++between_;
    }
    if (at_ != At::Text && at_ != At::Open && !inTag()) {
        ++markup_;
    }
    switch (at_) {
        case At::Text:
            at_ = At::Open;
            break;
        case At::Quoted:
            at_ = quotedFrom_;
            break;
        case At::Open:
            if (c == '!') {
                at_ = At::Bang;
            } else if (c == '?') {
                at_ = At::Instruction;
                run_ = 0;
            } else {
                // An element's start or end tag.
                at_ = At::Tag;
                tagBytes_ = 1;
                attributes_ = 0;
                naming_ = !longTextIn_.empty();
                endTag_ = false;
                nameLength_ = 0;
                tagByte(c);
            }
            break;
        case At::Tag:
            tagByte(c);
            break;
        case At::Bang:
            at_ = c == '-' ? At::CommentOpen : c == '[' ? At::CData : At::Declaration;
            run_ = 0;
            break;
        case At::CommentOpen:
            at_ = At::Comment;
            break;
        case At::Comment:
        case At::CData: {
            const char closing = at_ == At::Comment ? '-' : ']';
            if (c == '>' && run_ >= 2) {
                at_ = At::Text;
            }
            run_ = c == closing ? run_ + 1 : 0;
            break;
        }
        case At::Instruction:
            if (c == '>' && run_ > 0) {
                at_ = At::Text;
            }
            run_ = c == '?' ? 1 : 0;
            break;
        case At::Declaration:
            if (c == '"' || c == '\'') {
                quote_ = c;
                quotedFrom_ = At::Declaration;
                at_ = At::Quoted;
            } else if (c == '>') {
                at_ = At::Text;
            }
            break;
    }
}

void FeedCheck::tagByte(char c) {
    ++tagBytes_;
    if (naming_) {
        nameTag(c);
    }
    if (c == '"' || c == '\'') {
        quote_ = c;
        quotedFrom_ = At::Tag;
        at_ = At::Quoted;
    } else if (c == '=') {
        ++attributes_;
    } else if (c == '>') {
        at_ = At::Text;
        between_ = 0;
        longText_ = !longTextIn_.empty() && !endTag_ && lastTagByte_ != '/' &&
                    std::string_view(name_.data(), nameLength_) == longTextIn_;
    }
    lastTagByte_ = c;
}

// "<" ("/")? (prefix ":")? local-name: the name ends at a blank, "/" or ">".
void FeedCheck::nameTag(char c) {
    if (c == '/' && tagBytes_ == 2) {
        endTag_ = true;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>') {
        naming_ = false;
    } else if (c == ':') {
        nameLength_ = 0;
    } else if (nameLength_ < name_.size()) {
        name_[nameLength_++] = c;
    }
}

void ArchiveSource::rewind() {
    offset_ = 0;
    check_ = FeedCheck();
    check_.allowLongTextIn(longTextIn_);
    refused_.clear();
    started_ = false;
    zeroTail_ = false;
    linesSkipped_ = 0;
    if (file_ != nullptr && std::fseek(file_, 0, SEEK_SET) != 0) {
        error_ = errno;
    }
}

int ArchiveSource::read(void* context, char* buffer, int size) {
    ArchiveSource& source = *static_cast<ArchiveSource*>(context);
    if (source.error_ != 0 || !source.refused_.empty()) {
        return -1;
    }
    if (source.zeroTail_) {
        return 0;
    }
    int count = 0;
    for (;;) {
        const int raw = source.readBytes(buffer, size);
        count = raw > 0 && !source.started_ ? source.skipLeadingBlanks(buffer, raw) : raw;
        if (count < 0) {
            return -1;
        }
        if (count != 0 || raw <= 0) {
            break;
        }
    }
    if (count > 0) {
        const char* zero = static_cast<const char*>(std::memchr(buffer, 0, count));
        if (zero != nullptr &&
            source.onlyZerosFollow(zero, static_cast<size_t>(buffer + count - zero))) {
            count = static_cast<int>(zero - buffer);
        }
    }
    if (count > 0 && !source.check_.take(buffer, static_cast<size_t>(count), source.refused_)) {
        return -1;
    }
    return count;
}

// Some programs write blank lines, or a byte-order mark and blank lines, before the XML
// declaration, where the parser refuses anything: the bytes before the first '<' are dropped,
// and the line breaks among them counted so that the parser's line numbers can be made the
// file's. They still count among the bytes before the first tag, which are bounded. Returns
// the bytes left in the buffer, moved to its start, or -1 when the bound is passed.
int ArchiveSource::skipLeadingBlanks(char* buffer, int count) {
    const size_t length = static_cast<size_t>(count);
    // A UTF-8 byte-order mark can only open the file: this is its first read then.
    const size_t readBefore =
        file_ != nullptr ? static_cast<size_t>(std::ftell(file_)) - length : offset_ - length;
    const size_t bom =
        readBefore == 0 && length >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    size_t from = bom;
    for (; from < length; ++from) {
        const char c = buffer[from];
        if (c == '\n') {
            ++linesSkipped_;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            started_ = true;
            break;
        }
    }
    if (from > bom && !check_.take(buffer + bom, from - bom, refused_)) {
        return -1;
    }
    std::memmove(buffer, buffer + from, length - from);
    return static_cast<int>(length - from);
}

// Whether the zero bytes from `rest` on run to the end of the file. The file's place is kept
// when they do not, for the read that follows.
bool ArchiveSource::onlyZerosFollow(const char* rest, size_t count) {
    const auto allZero = [](const char* bytes, size_t n) {
        return std::all_of(bytes, bytes + n, [](char c) { return c == 0; });
    };
    if (!allZero(rest, count)) {
        return false;
    }
    if (file_ == nullptr) {
        zeroTail_ = allZero(text_.data() + offset_, text_.size() - offset_);
        return zeroTail_;
    }
    const long at = std::ftell(file_);
    std::array<char, 64 * 1024> chunk{};
    bool zeros = true;
    size_t n = 0;
    while (zeros && (n = std::fread(chunk.data(), 1, chunk.size(), file_)) > 0) {
        zeros = allZero(chunk.data(), n);
    }
    zeroTail_ = zeros && std::ferror(file_) == 0;
    if (!zeroTail_ && std::fseek(file_, at, SEEK_SET) != 0) {
        error_ = errno;
    }
    return zeroTail_;
}

int ArchiveSource::readBytes(char* buffer, int size) {
    if (file_ == nullptr) {
        const size_t count = std::min(static_cast<size_t>(size), text_.size() - offset_);
        if (count > 0) {
            std::memcpy(buffer, text_.data() + offset_, count);
            offset_ += count;
        }
        return static_cast<int>(count);
    }
    const size_t count = std::fread(buffer, 1, static_cast<size_t>(size), file_);
    if (count == 0 && std::ferror(file_) != 0) {
        error_ = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<int>(count);
}

void ParseMessages::refuse(const char* reason) {
    if (refused_.empty()) {
        refused_ = reason;
    }
}

std::string ParseMessages::reason(bool element) const {
    if (!refused_.empty()) {
        return refused_;
    }
    // libxml2 says "Document is empty" of a text without an element, and "Extra content at
    // the end of the document" of an empty file.
    if (!element && (fatal_.empty() || fatalCode_ == XML_ERR_DOCUMENT_EMPTY ||
                     fatalCode_ == XML_ERR_DOCUMENT_END)) {
        return "it holds no XML element";
    }
    if (!fatal_.empty()) {
        return fatal_;
    }
    return !error_.empty() ? error_ : "not an XML document";
}

void ParseMessages::add(int level, int code, int line, const char* message) {
    if (level < XML_ERR_ERROR) {
        return;
    }
    std::string& kept = level == XML_ERR_FATAL ? fatal_ : error_;
    if (!kept.empty()) {
        return;
    }
    if (level == XML_ERR_FATAL) {
        fatalCode_ = code;
        fatalLine_ = line;
    }
    // On one line: some messages go on to a second.
    std::string text = message != nullptr ? message : "";
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    kept = line > 0 ? "line " + std::to_string(line) + ": " + text : text;
}

ThreadMessages::ThreadMessages()
    : generic_(xmlGenericError),
      genericContext_(xmlGenericErrorContext),
      structured_(xmlStructuredError),
      structuredContext_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, &ignore);
    xmlSetStructuredErrorFunc(&messages_, &ParseMessages::keep);
}

ThreadMessages::~ThreadMessages() {
    xmlSetGenericErrorFunc(genericContext_, generic_);
    xmlSetStructuredErrorFunc(structuredContext_, structured_);
}

std::string ThreadMessages::reason(const ParseMessages& pass, bool element) const {
    return pass.said() || !messages_.said() ? pass.reason(element) : messages_.reason(true);
}

bool archiveWellFormed(ArchiveSource& source, const ThreadMessages& thread, std::string& reason) {
    StreamFault fault;
    const bool read = FirstPass::run(source, thread, nullptr, fault) == StreamEnd::Read;
    reason = fault.reason;
    return read;
}

StreamEnd streamXml(ArchiveSource& source, const ThreadMessages& thread, XmlContent& content,
                    StreamFault& fault) {
    return FirstPass::run(source, thread, &content, fault);
}

std::optional<std::string_view> XmlAttributes::find(const char* localName) const {
    for (int i = 0; i < count_; ++i) {
        const xmlChar* const* item = items_ + i * 5;
        if (std::strcmp(reinterpret_cast<const char*>(item[0]), localName) == 0) {
            return std::string_view(reinterpret_cast<const char*>(item[3]),
                                    static_cast<size_t>(item[4] - item[3]));
        }
    }
    return std::nullopt;
}

ArchiveReader::ArchiveReader(ArchiveSource& source) {
    initialiseParser();
    source.rewind();
    reader_.reset(
        xmlReaderForIO(&ArchiveSource::read, nullptr, &source, nullptr, nullptr, kReaderOptions));
    if (reader_ != nullptr) {
        xmlTextReaderSetStructuredErrorHandler(reader_.get(), &ParseMessages::keep, &messages_);
    }
}

int ArchiveReader::next() {
    if (reader_ == nullptr) {
        return -1;
    }
    const int status = xmlTextReaderRead(reader_.get());
    if (status == 1) {
        const int type = xmlTextReaderNodeType(reader_.get());
        if (type == XML_READER_TYPE_DOCUMENT_TYPE) {
            messages_.refuse(kDocumentTypeRefused);
            return -1;
        }
        element_ = element_ || type == XML_READER_TYPE_ELEMENT;
    }
    return status == 0 && (messages_.failed() || !element_) ? -1 : status;
}

}  // namespace vandrel
