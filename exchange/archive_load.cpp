// Reading the PC track archive into the database (track_archive.h).

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/file_reading.h"
#include "core/ground_distance.h"
#include "core/number_text.h"
#include "core/program_path.h"
#include "core/units.h"
#include "exchange/track_archive.h"
#include "store/track_summary.h"

namespace vandrel {

const char* const kOverwriteLine1 = "In the database has an the same";
const char* const kOverwriteLine2 = "record, do you want to overwrite?";

namespace {

// Numbers are read without the locale, as they were written. An absent (null) or unreadable
// value is 0, as a program reading the file has always taken it.
template <typename T>
T number(const char* value) {
    if (value == nullptr) {
        return 0;
    }
    return parseNumber<T>(value).value_or(0);
}

// NaN when the value has no 32-bit float.
float narrowed(double value) {
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(value);
}

// A value the point must have: none when it is absent, unreadable ("abc", "1e309") or not
// finite.
std::optional<double> required(const char* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const std::optional<double> parsed = parseNumber<double>(value);
    if (!parsed || !std::isfinite(*parsed)) {
        return std::nullopt;
    }
    return parsed;
}

// A measurement the archive may leave out (0 then, as a program reading the file has always
// taken it); false when it is there but unreadable or beyond a 32-bit float.
bool measurement(const char* value, float& out) {
    out = 0.0f;
    if (value == nullptr) {
        return true;
    }
    const std::optional<double> parsed = required(value);
    if (!parsed) {
        return false;
    }
    out = narrowed(*parsed);
    return !std::isnan(out);
}

enum PointField { kLat, kLng, kTime, kAlt, kBar, kTmp, kPho, kPointFields };
constexpr std::array<const char*, kPointFields> kPointFieldNames = {"lat", "lng", "time", "alt",
                                                                    "bar", "tmp", "pho"};

// The attributes of one point that the loader reads, as text. The strings are kept from point
// to point, so that reading a point allocates nothing once they have grown.
struct PointAttributes {
    std::array<std::string, kPointFields> text;
    std::array<bool, kPointFields> present{};

    // Null when the point does not have the attribute.
    const char* operator[](PointField field) const {
        return present[field] ? text[field].c_str() : nullptr;
    }
};

// Reads one point; false when it has no usable position or time, or a number it holds is
// unreadable or impossible: such a point would be stored somewhere it never was (0,0 on
// 1899-12-30 for an empty one). pho keeps the archive's name for now: the photo is copied only
// once the track is known to be stored.
bool readPoint(const PointAttributes& attributes, TrackPoint& point) {
    const std::optional<double> lat = required(attributes[kLat]);
    const std::optional<double> lng = required(attributes[kLng]);
    const std::optional<double> time = required(attributes[kTime]);
    SystemTime fields;
    if (!lat || !lng || !time || std::fabs(*lat) > 90.0 || std::fabs(*lng) > 180.0 ||
        !VariantTimeToSystemTime(*time, fields)) {
        return false;
    }
    point.lat = static_cast<float>(*lat);
    point.lng = static_cast<float>(*lng);
    point.sdate = *time;
    if (!measurement(attributes[kAlt], point.alt) || !measurement(attributes[kBar], point.bar) ||
        !measurement(attributes[kTmp], point.tmp)) {
        return false;
    }
    const char* photo = attributes[kPho];
    point.pho = photo != nullptr ? photo : "";
    return true;
}

// A point is kept when it lies less than 100 m a second from the last kept one; any step
// under 100 m is kept, however short the time.
bool plausible(const TrackPoint& last, const TrackPoint& point) {
    const double d = GroundDistance(last.lat, last.lng, point.lat, point.lng);
    double limit = (point.sdate - last.sdate) * 86400.0 * 100.0;
    if (limit < 100.0) {
        limit = 100.0;
    }
    return d < limit;
}

class ArchiveLoader {
  public:
    ArchiveLoader(const std::filesystem::path& archive, TrackDatabase& db, UserPrompt& prompt,
                  const ArchiveLoadOptions& options)
        : db_(db),
          prompt_(prompt),
          photoFolder_(archivePhotoFolder(archive)),
          photosFolder_(options.photosFolder),
          stamps_(options.clock) {}

    // Adds one point of the item being read to its track, or drops and counts it.
    void addPoint(const PointAttributes& attributes, TrackHeader& track);
    // Stores the track of an item read whole. Returns false when the load must stop (a
    // database failure).
    bool storeItem(TrackHeader& track);
    ArchiveLoadResult result;

  private:
    void copyPhotos(TrackHeader& track);
    bool store(TrackHeader& track, int replacing);
    void removeCopiedPhotos();

    TrackDatabase& db_;
    UserPrompt& prompt_;
    std::filesystem::path photoFolder_;
    std::filesystem::path photosFolder_;
    PhotoStamps stamps_;
    bool alwaysOverwrite_ = false;
    std::vector<std::filesystem::path> copiedForTrack_;
};

void ArchiveLoader::addPoint(const PointAttributes& attributes, TrackHeader& track) {
    TrackPoint point;
    if (!readPoint(attributes, point) ||
        (!track.points.empty() && !plausible(track.points.back(), point))) {
        ++result.pointsDropped;
        return;
    }
    track.points.push_back(std::move(point));
}

// Each photo gets a new name in the photos folder; a point whose photo could not be copied
// keeps no photo rather than a reference to a file that is not there.
void ArchiveLoader::copyPhotos(TrackHeader& track) {
    copiedForTrack_.clear();
    bool folderReady = false;
    for (TrackPoint& point : track.points) {
        if (point.pho.empty()) {
            continue;
        }
        const std::string name = std::move(point.pho);
        point.pho.clear();
        if (!isPlainFileName(name)) {
            ++result.photosNotCopied;
            continue;
        }
        if (!folderReady) {
            std::error_code ec;
            std::filesystem::create_directories(photosFolder_, ec);
            folderReady = true;
        }
        const std::string extension = plainExtension(name);
        CopyOutcome outcome = CopyOutcome::TargetExists;
        std::filesystem::path target;
        // A name already taken (by a file from elsewhere) moves on to the next millisecond.
        for (int attempt = 0; attempt < 100 && outcome == CopyOutcome::TargetExists; ++attempt) {
            target = photosFolder_ / (stamps_.next() + extension);
            outcome = copyNewFile(photoFolder_ / name, target, SourceLinks::Refuse);
        }
        if (outcome != CopyOutcome::Copied) {
            ++result.photosNotCopied;
            continue;
        }
        ++result.photosCopied;
        copiedForTrack_.push_back(target);
        point.pho = target.string();
    }
}

void ArchiveLoader::removeCopiedPhotos() {
    for (const std::filesystem::path& photo : copiedForTrack_) {
        std::error_code ec;
        std::filesystem::remove(photo, ec);
    }
    result.photosCopied -= static_cast<int>(copiedForTrack_.size());
    copiedForTrack_.clear();
}

// Runs inside the track's transaction (see loadItem); the replaced track is deleted in it too,
// so that a failure leaves the stored track as it was.
bool ArchiveLoader::store(TrackHeader& track, int replacing) {
    try {
        if (replacing != 0) {
            db_.deleteTrack(replacing);
        }
        db_.insertTrack(track);
        for (TrackPoint& point : track.points) {
            point.tkid = track.objid;
        }
        db_.insertPoints(track.points);
        db_.commitTransaction();
    } catch (const CppSQLite3Exception& e) {
        db_.rollbackTransaction();
        removeCopiedPhotos();
        result.ok = false;
        result.error = "Database error while storing the track starting " +
                       FormatDateTime(track.stime) + ": " + db_.describe(e) +
                       ". That track was not stored and the load stopped.";
        return false;
    }
    return true;
}

bool ArchiveLoader::storeItem(TrackHeader& track) {
    if (track.points.empty()) {
        ++result.skipped;
        return true;
    }
    computeSummary(track);
    // The look-up and the write that depends on it are one write transaction: a track found
    // missing cannot be stored by another program before this one stores it, which would
    // leave it stored twice. The overwrite question is asked inside it; other programs can
    // still read the database meanwhile.
    int stored = 0;
    try {
        db_.beginImmediateTransaction();
        stored = db_.findTrackByStart(track.stime);
    } catch (const CppSQLite3Exception& e) {
        db_.rollbackTransaction();
        result.ok = false;
        result.error = "Database error: " + db_.describe(e) + ". The load stopped.";
        return false;
    }
    if (stored != 0 && !alwaysOverwrite_) {
        const OverwriteAnswer answer = prompt_.askOverwrite(kOverwriteLine1, kOverwriteLine2);
        if (answer == OverwriteAnswer::Ok) {
            db_.rollbackTransaction();
            ++result.kept;
            return true;
        }
        alwaysOverwrite_ = answer == OverwriteAnswer::AlwaysOverwrite;
    }
    copyPhotos(track);
    if (!store(track, stored)) {
        return false;
    }
    ++(stored != 0 ? result.replaced : result.stored);
    result.pointsStored += static_cast<int64_t>(track.points.size());
    return true;
}

}  // namespace

ArchiveLoadOptions ArchiveLoadOptions::programDefaults() {
    ArchiveLoadOptions options;
    options.photosFolder = programPath("photos");
    return options;
}

namespace {

// Where the archive's bytes come from: the opened file, or text already in memory. It is read
// twice, from the start each time (see loadFrom).
class ArchiveSource {
  public:
    explicit ArchiveSource(std::FILE* file) : file_(file) {}
    explicit ArchiveSource(std::string_view text) : text_(text) {}

    void rewind() {
        offset_ = 0;
        if (file_ != nullptr && std::fseek(file_, 0, SEEK_SET) != 0) {
            error_ = errno;
        }
    }
    // libxml2's read callback: up to size bytes, 0 at the end, -1 when the file cannot be read.
    static int read(void* context, char* buffer, int size);
    // The errno of the read that failed, 0 when none did.
    int error() const { return error_; }

  private:
    std::FILE* file_ = nullptr;
    std::string_view text_;
    size_t offset_ = 0;
    int error_ = 0;
};

int ArchiveSource::read(void* context, char* buffer, int size) {
    ArchiveSource& source = *static_cast<ArchiveSource*>(context);
    if (source.error_ != 0) {
        return -1;
    }
    if (source.file_ == nullptr) {
        const size_t count =
            std::min(static_cast<size_t>(size), source.text_.size() - source.offset_);
        if (count > 0) {
            std::memcpy(buffer, source.text_.data() + source.offset_, count);
            source.offset_ += count;
        }
        return static_cast<int>(count);
    }
    const size_t count = std::fread(buffer, 1, static_cast<size_t>(size), source.file_);
    if (count == 0 && std::ferror(source.file_) != 0) {
        source.error_ = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<int>(count);
}

// Nothing the document names is loaded and no entity is substituted (neither
// XML_PARSE_DTDLOAD nor XML_PARSE_NOENT), there is no network access whatever it names
// (XML_PARSE_NONET), and the parser's bounds on depth, names and text lengths stay (no
// XML_PARSE_HUGE).
constexpr int kParseOptions = XML_PARSE_NONET;
// The reader's nodes: blank text between the elements is dropped unread, and short texts live
// in their nodes instead of allocations of their own.
constexpr int kReaderOptions = kParseOptions | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

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
    void refuse(const char* reason) {
        if (refused_.empty()) {
            refused_ = reason;
        }
    }
    bool failed() const { return !refused_.empty() || !fatal_.empty(); }
    bool said() const { return failed() || !error_.empty(); }

    // Why the document was not read; element tells whether it had an element at all.
    std::string reason(bool element) const {
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

  private:
    void add(int level, int code, int line, const char* message) {
        if (level < XML_ERR_ERROR) {
            return;
        }
        std::string& kept = level == XML_ERR_FATAL ? fatal_ : error_;
        if (!kept.empty()) {
            return;
        }
        if (level == XML_ERR_FATAL) {
            fatalCode_ = code;
        }
        // On one line: some messages go on to a second.
        std::string text = message != nullptr ? message : "";
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
            text.pop_back();
        }
        std::replace(text.begin(), text.end(), '\n', ' ');
        kept = line > 0 ? "line " + std::to_string(line) + ": " + text : text;
    }

    std::string refused_;
    std::string fatal_;  // the first fatal error
    int fatalCode_ = XML_ERR_OK;
    std::string error_;  // the first other error
};

// libxml2 tells some failures (of the conversion from a declared encoding, say) to the
// thread's handlers instead of the parser's, and those print them. While an archive is read,
// they are kept here instead; the thread's handlers come back afterwards.
class ThreadMessages {
  public:
    ThreadMessages()
        : generic_(xmlGenericError),
          genericContext_(xmlGenericErrorContext),
          structured_(xmlStructuredError),
          structuredContext_(xmlStructuredErrorContext) {
        xmlSetGenericErrorFunc(nullptr, &ignore);
        xmlSetStructuredErrorFunc(&messages_, &ParseMessages::keep);
    }
    ~ThreadMessages() {
        xmlSetGenericErrorFunc(genericContext_, generic_);
        xmlSetStructuredErrorFunc(structuredContext_, structured_);
    }
    ThreadMessages(const ThreadMessages&) = delete;
    ThreadMessages& operator=(const ThreadMessages&) = delete;

    // What a pass says of a document it did not read, or else what the thread was told.
    std::string reason(const ParseMessages& pass, bool element) const {
        return pass.said() || !messages_.said() ? pass.reason(element) : messages_.reason(true);
    }

  private:
    static void ignore(void*, const char*, ...) {}

    xmlGenericErrorFunc generic_;
    void* genericContext_;
    xmlStructuredErrorFunc structured_;
    void* structuredContext_;
    ParseMessages messages_;
};

// No archive declares a document type, and what one declares (entities above all) only gives
// the parser work or points outside the file: both passes refuse such a document whole.
constexpr const char* kDocumentTypeRefused =
    "it declares a document type, which no track archive does";

struct ReaderFree {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

void initialiseParser() {
    static const bool initialised = (xmlInitParser(), true);
    (void)initialised;
}

// A libxml2 reader over the source from its start, one node at a time, holding no more of the
// document than the node it is at.
class ArchiveReader {
  public:
    explicit ArchiveReader(ArchiveSource& source) {
        initialiseParser();
        source.rewind();
        reader_.reset(xmlReaderForIO(&ArchiveSource::read, nullptr, &source, nullptr, nullptr,
                                     kReaderOptions));
        if (reader_ != nullptr) {
            xmlTextReaderSetStructuredErrorHandler(reader_.get(), &ParseMessages::keep, &messages_);
        }
    }

    // 1 at the next node, 0 at the end of the document, -1 when the document turns out not to
    // be one the loader reads (reason() says why).
    int next() {
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
    xmlTextReaderPtr get() const { return reader_.get(); }
    std::string reason(const ThreadMessages& thread) const {
        return thread.reason(messages_, element_);
    }

    // The element's attribute by name, null when it has none.
    std::unique_ptr<xmlChar, XmlFree> attribute(const char* name) const {
        return std::unique_ptr<xmlChar, XmlFree>(
            xmlTextReaderGetAttribute(reader_.get(), reinterpret_cast<const xmlChar*>(name)));
    }

    // Copies the attributes a point may have; the reader stays at the point.
    void readPoint(PointAttributes& attributes) const {
        attributes.present.fill(false);
        while (xmlTextReaderMoveToNextAttribute(reader_.get()) == 1) {
            const char* name = reinterpret_cast<const char*>(xmlTextReaderConstName(reader_.get()));
            for (size_t field = 0; field < kPointFields; ++field) {
                // The first letter rules out most names before a comparison is called.
                if (name[0] == kPointFieldNames[field][0] &&
                    std::strcmp(name, kPointFieldNames[field]) == 0) {
                    const xmlChar* value = xmlTextReaderConstValue(reader_.get());
                    attributes.text[field] =
                        value != nullptr ? reinterpret_cast<const char*>(value) : "";
                    attributes.present[field] = true;
                    break;
                }
            }
        }
        xmlTextReaderMoveToElement(reader_.get());
    }

  private:
    std::unique_ptr<xmlTextReader, ReaderFree> reader_;
    ParseMessages messages_;
    bool element_ = false;  // an element was read
};

// The first pass: libxml2's parser with handlers that build nothing. Besides what the parser
// refuses, it refuses what would stop the reader of the second pass, or more: a document type,
// elements nested as deep as the parser's bound for the tree, and a run of text longer than
// its bound for one text node.
class FirstPass {
  public:
    // Reads the whole source; false with the reason when the loader must not read it.
    static bool wellFormed(ArchiveSource& source, const ThreadMessages& thread,
                           std::string& reason);

  private:
    template <typename Error>
    static void error(void* pass, Error* error) {
        ParseMessages::keep(&static_cast<FirstPass*>(pass)->messages_, error);
    }
    static void doctype(void* pass, const xmlChar*, const xmlChar*, const xmlChar*) {
        static_cast<FirstPass*>(pass)->refuse(kDocumentTypeRefused);
    }
    static void start(void* context, const xmlChar*, const xmlChar*, const xmlChar*, int,
                      const xmlChar**, int, int, const xmlChar**) {
        FirstPass& pass = *static_cast<FirstPass*>(context);
        pass.element_ = true;
        pass.text_ = 0;
        if (++pass.depth_ >= xmlParserMaxDepth) {
            pass.refuse("its elements nest too deep");
        }
    }
    static void end(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
        FirstPass& pass = *static_cast<FirstPass*>(context);
        pass.text_ = 0;
        --pass.depth_;
    }
    static void text(void* context, const xmlChar*, int length) {
        FirstPass& pass = *static_cast<FirstPass*>(context);
        pass.text_ += static_cast<size_t>(length);
        if (pass.text_ > XML_MAX_TEXT_LENGTH) {
            pass.refuse("it holds a text longer than a track archive has");
        }
    }
    void refuse(const char* reason) {
        messages_.refuse(reason);
        xmlStopParser(context_);
    }

    xmlParserCtxtPtr context_ = nullptr;
    ParseMessages messages_;
    unsigned depth_ = 0;
    size_t text_ = 0;  // characters since the last tag
    bool element_ = false;
};

struct ParserFree {
    void operator()(xmlParserCtxt* context) const {
        if (context->myDoc != nullptr) {
            xmlFreeDoc(context->myDoc);
        }
        xmlFreeParserCtxt(context);
    }
};

bool FirstPass::wellFormed(ArchiveSource& source, const ThreadMessages& thread,
                           std::string& reason) {
    initialiseParser();
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.internalSubset = &FirstPass::doctype;
    handler.startElementNs = &FirstPass::start;
    handler.endElementNs = &FirstPass::end;
    handler.characters = &FirstPass::text;
    handler.ignorableWhitespace = &FirstPass::text;
    handler.cdataBlock = &FirstPass::text;
    handler.serror = &FirstPass::error;
    FirstPass pass;
    const std::unique_ptr<xmlParserCtxt, ParserFree> context(
        xmlCreatePushParserCtxt(&handler, &pass, nullptr, 0, nullptr));
    if (context == nullptr) {
        reason = "out of memory";
        return false;
    }
    pass.context_ = context.get();
    xmlCtxtUseOptions(context.get(), kParseOptions);
    source.rewind();
    std::vector<char> chunk(64 * 1024);
    // The parser may stop without marking the document unreadable (on a failed conversion
    // from its declared encoding, for one): only its return says so then.
    bool stopped = false;
    for (;;) {
        const int count =
            ArchiveSource::read(&source, chunk.data(), static_cast<int>(chunk.size()));
        if (count < 0) {
            reason = "the file cannot be read";
            return false;
        }
        stopped = xmlParseChunk(context.get(), chunk.data(), count, count == 0 ? 1 : 0) != 0 ||
                  context->wellFormed == 0 || context->disableSAX != 0 || pass.messages_.failed();
        if (count == 0 || stopped) {
            break;
        }
    }
    if (!stopped && pass.element_) {
        return true;
    }
    reason = thread.reason(pass.messages_, pass.element_);
    return false;
}

// The archive nests three levels: the root (any name) with the time zone, one element per
// track (an item) and one per point. Anything else is passed over: text, comments, and
// elements deeper down. Only one track is in memory at a time.
ArchiveLoadResult loadFrom(ArchiveSource& source, const std::filesystem::path& archive,
                           TrackDatabase& db, UserPrompt& prompt,
                           const ArchiveLoadOptions& options) {
    // A document that is cut short or is not XML must store nothing, as when it was parsed
    // whole before the first track was stored: a first pass reads it through and stores
    // nothing. As it builds no node, both passes together take less time than building the
    // whole document did, in a few megabytes instead of seven times the file's size.
    const ThreadMessages thread;
    std::string reason;
    if (!FirstPass::wellFormed(source, thread, reason)) {
        ArchiveLoadResult result;
        result.ok = false;
        result.error = source.error() != 0
                           ? cannotRead(archive, std::strerror(source.error()))
                           : "Not a track archive: " + archive.string() + " (" + reason + ")";
        return result;
    }
    ArchiveLoader loader(archive, db, prompt, options);
    loader.result.isArchive = true;
    ArchiveReader reader(source);
    PointAttributes point;
    TrackHeader track;
    int32_t timezone = 0;
    int status = 0;
    while ((status = reader.next()) == 1) {
        const int type = xmlTextReaderNodeType(reader.get());
        const int depth = xmlTextReaderDepth(reader.get());
        bool itemRead = type == XML_READER_TYPE_END_ELEMENT && depth == 1;
        if (type == XML_READER_TYPE_ELEMENT && depth == 0) {
            timezone =
                number<int32_t>(reinterpret_cast<const char*>(reader.attribute("timezone").get()));
        } else if (type == XML_READER_TYPE_ELEMENT && depth == 1) {
            track = TrackHeader();
            track.trail =
                number<int32_t>(reinterpret_cast<const char*>(reader.attribute("trail").get()));
            track.tzome = timezone;
            itemRead = xmlTextReaderIsEmptyElement(reader.get()) == 1;
        } else if (type == XML_READER_TYPE_ELEMENT && depth == 2) {
            reader.readPoint(point);
            loader.addPoint(point, track);
        }
        if (itemRead && !loader.storeItem(track)) {
            return loader.result;
        }
    }
    if (status < 0) {
        // What the first pass read through, this one could not: the file changed in between,
        // or the reader ran out of memory. The tracks stored before stay, as after a database
        // failure.
        loader.result.ok = false;
        loader.result.error =
            (source.error() != 0 ? cannotRead(archive, std::strerror(source.error()))
                                 : "The track archive could not be read to its end: " +
                                       archive.string() + " (" + reader.reason(thread) + ")") +
            ". The load stopped.";
    }
    return loader.result;
}

}  // namespace

ArchiveLoadResult loadArchive(const std::filesystem::path& archive, TrackDatabase& db,
                              UserPrompt& prompt, const ArchiveLoadOptions& options) {
    // Opened without blocking and refused unless a regular file: a FIFO or a device would
    // stall the load for ever.
    std::string error;
    const FileHandle file = openRegularFile(archive, error);
    if (file == nullptr) {
        ArchiveLoadResult result;
        result.ok = false;
        result.error = error;
        return result;
    }
    ArchiveSource source(file.get());
    return loadFrom(source, archive, db, prompt, options);
}

ArchiveLoadResult loadArchiveText(std::string_view text, const std::filesystem::path& archive,
                                  TrackDatabase& db, UserPrompt& prompt,
                                  const ArchiveLoadOptions& options) {
    ArchiveSource source(text);
    return loadFrom(source, archive, db, prompt, options);
}

}  // namespace vandrel
