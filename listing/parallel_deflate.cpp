#include "parallel_deflate.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <future>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A piece of a part: big enough that starting its deflate (a thread, the dictionary) costs
// next to nothing beside it, small enough that a few in flight stay a few MiB.
constexpr std::size_t kPiece = std::size_t{1} << 20;
// What a piece's deflate may refer back to of the piece before it: deflate's whole window.
constexpr std::size_t kWindow = std::size_t{1} << 15;

struct Piece {
    std::vector<unsigned char> bytes;  // the window before it, then its own data
    std::size_t window = 0;
    bool last = false;
};

struct Packed {
    std::vector<unsigned char> data;
    std::size_t size = 0;  // of data, which has room beyond it
    std::size_t inputSize = 0;
    uLong crc = 0;
    int error = ZIP_OK;
};

Packed deflatePiece(const Piece& piece, int level, int memLevel, int strategy) {
    Packed packed;
    const unsigned char* input = piece.bytes.data() + piece.window;
    packed.inputSize = piece.bytes.size() - piece.window;
    packed.crc = crc32(0, input, static_cast<uInt>(packed.inputSize));
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, memLevel, strategy) != Z_OK) {
        packed.error = ZIP_INTERNALERROR;
        return packed;
    }
    if (piece.window != 0) {
        deflateSetDictionary(&stream, piece.bytes.data(), static_cast<uInt>(piece.window));
    }
    // The bound, and room for the empty block that ends a flush: one call takes it all.
    packed.data.resize(deflateBound(&stream, static_cast<uLong>(packed.inputSize)) + 16);
    stream.next_in = const_cast<unsigned char*>(input);
    stream.avail_in = static_cast<uInt>(packed.inputSize);
    const int flush = piece.last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        stream.next_out = packed.data.data() + packed.size;
        stream.avail_out = static_cast<uInt>(packed.data.size() - packed.size);
        const int result = deflate(&stream, flush);
        packed.size = packed.data.size() - stream.avail_out;
        if (piece.last ? result == Z_STREAM_END
                       : result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            break;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            packed.error = ZIP_INTERNALERROR;
            break;
        }
        packed.data.resize(packed.data.size() * 2);
    }
    deflateEnd(&stream);
    return packed;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<FILE, FileCloser>;

// The rows of a sheet to be put into the next part: at `offset` of what the packager
// hands over of it.
struct Rows {
    OwnedFile file;
    std::size_t offset = 0;
    int error = ZIP_OK;  // where they could not be placed
};

// One part of the workbook being deflated: its pieces in flight, in order, and the piece
// being filled.
struct Part {
    zipFile file = nullptr;
    int level = Z_DEFAULT_COMPRESSION;
    int memLevel = 8;
    int strategy = Z_DEFAULT_STRATEGY;
    std::size_t inFlight = 2;
    Piece filling;
    std::deque<std::future<Packed>> packing;
    uLong crc = 0;
    ZPOS64_T size = 0;
    std::size_t handedOver = 0;  // by the packager
    Rows rows;
    int error = ZIP_OK;

    // Takes `length` bytes (they are copied) into the part.
    void add(const unsigned char* bytes, std::size_t length) {
        while (length != 0 && error == ZIP_OK) {
            const std::size_t taken = std::min(length, room());
            filling.bytes.insert(filling.bytes.end(), bytes, bytes + taken);
            bytes += taken;
            length -= taken;
            sendWhenFull();
        }
    }

    // Takes what is left of `from` into the part, reading it straight into the pieces.
    void addFile(FILE* from) {
        while (error == ZIP_OK) {
            const std::size_t had = filling.bytes.size();
            const std::size_t wanted = room();
            filling.bytes.resize(had + wanted);
            const std::size_t got = std::fread(filling.bytes.data() + had, 1, wanted, from);
            filling.bytes.resize(had + got);
            sendWhenFull();
            if (got < wanted) {
                break;
            }
        }
        if (std::ferror(from)) {
            error = ZIP_ERRNO;
        }
    }

    std::size_t room() const { return filling.window + kPiece - filling.bytes.size(); }

    void sendWhenFull() {
        if (room() == 0) {
            send(false);
            while (packing.size() > inFlight) {
                writeOldest();
            }
        }
    }

    // Starts deflating the piece being filled and begins the next with its window.
    void send(bool last) {
        filling.last = last;
        std::vector<unsigned char> next;
        if (!last) {
            const std::size_t keep = std::min(kWindow, filling.bytes.size());
            next.reserve(kWindow + kPiece);
            next.assign(filling.bytes.end() - static_cast<std::ptrdiff_t>(keep),
                        filling.bytes.end());
        }
        Piece piece = std::exchange(filling, Piece{std::move(next), 0, false});
        filling.window = filling.bytes.size();
        // Where no thread can be started, the piece is deflated when it is written out.
        packing.push_back(std::async(
            std::launch::async | std::launch::deferred,
            [piece = std::move(piece), level = level, memLevel = memLevel, strategy = strategy] {
                return deflatePiece(piece, level, memLevel, strategy);
            }));
    }

    // Writes out the oldest piece in flight.
    void writeOldest() {
        std::future<Packed> oldest = std::move(packing.front());
        packing.pop_front();
        Packed packed = oldest.get();
        if (error != ZIP_OK) {
            return;
        }
        error = packed.error;
        if (error == ZIP_OK) {
            error = zipWriteInFileInZip(file, packed.data.data(), static_cast<uInt>(packed.size));
        }
        crc = crc32_combine(crc, packed.crc, static_cast<z_off_t>(packed.inputSize));
        size += packed.inputSize;
    }
};

thread_local std::unique_ptr<Part> current;
thread_local Rows nextRows;

Part* partOf(zipFile file) {
    return current && current->file == file ? current.get() : nullptr;
}

// Where `marker` first starts in `file`, read from its start.
bool findMarker(FILE* file, std::string_view marker, std::size_t& offset) {
    if (std::fflush(file) != 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        return false;
    }
    std::string text;
    char buffer[1 << 14];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) != 0) {
        text.append(buffer, got);
        const std::size_t found = text.find(marker);
        if (found != std::string::npos) {
            offset = found;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" void tolvane_zip_insert_rows(FILE* sheet, FILE* rows) {
    nextRows = Rows{OwnedFile(rows)};
    try {
        if (!findMarker(sheet, "</sheetData>", nextRows.offset) || std::fflush(rows) != 0 ||
            std::fseek(rows, 0, SEEK_SET) != 0) {
            nextRows.error = ZIP_ERRNO;
        }
    } catch (const std::exception&) {
        nextRows.error = ZIP_INTERNALERROR;
    }
}

extern "C" int tolvane_zip_open(zipFile file, const char* filename, const zip_fileinfo* info,
                                const void* extraLocal, uInt extraLocalSize,
                                const void* extraGlobal, uInt extraGlobalSize, const char* comment,
                                int method, int level, int raw, int windowBits, int memLevel,
                                int strategy, const char* password, uLong crcForCrypting,
                                uLong versionMadeBy, uLong flagBase, int zip64) {
    current.reset();  // a part given up on an error
    Rows rows = std::exchange(nextRows, Rows{});
    if (rows.error != ZIP_OK) {
        return rows.error;
    }
    // Only a plain deflated part is taken over; anything else goes to minizip as it is.
    const bool takeOver =
        method == Z_DEFLATED && raw == 0 && windowBits == -MAX_WBITS && password == nullptr;
    if (rows.file && !takeOver) {
        return ZIP_PARAMERROR;
    }
    const int result = zipOpenNewFileInZip4_64(
        file, filename, info, extraLocal, extraLocalSize, extraGlobal, extraGlobalSize, comment,
        method, level, takeOver ? 1 : raw, windowBits, memLevel, strategy, password, crcForCrypting,
        versionMadeBy, flagBase, zip64);
    if (result != ZIP_OK || !takeOver) {
        return result;
    }
    try {
        auto part = std::make_unique<Part>();
        part->file = file;
        part->level = level;
        part->memLevel = memLevel;
        part->strategy = strategy;
        // Every core deflating, and one piece ready to be written as the next is deflated.
        part->inFlight = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 2, 8);
        part->filling.bytes.reserve(kPiece);
        part->rows = std::move(rows);
        current = std::move(part);
    } catch (const std::bad_alloc&) {
        zipCloseFileInZipRaw64(file, 0, 0);
        return ZIP_INTERNALERROR;
    }
    return ZIP_OK;
}

extern "C" int tolvane_zip_write(zipFile file, const void* data, unsigned int length) {
    Part* part = partOf(file);
    if (part == nullptr) {
        return zipWriteInFileInZip(file, data, length);
    }
    try {
        const auto* bytes = static_cast<const unsigned char*>(data);
        Rows& rows = part->rows;
        if (rows.file && rows.offset - part->handedOver < length) {
            const std::size_t before = rows.offset - part->handedOver;
            part->add(bytes, before);
            part->addFile(rows.file.get());
            rows.file.reset();
            part->add(bytes + before, length - before);
        } else {
            part->add(bytes, length);
        }
        part->handedOver += length;
    } catch (const std::exception&) {
        part->error = ZIP_INTERNALERROR;
    }
    return part->error;
}

extern "C" int tolvane_zip_close(zipFile file) {
    Part* part = partOf(file);
    if (part == nullptr) {
        return zipCloseFileInZip(file);
    }
    try {
        if (part->rows.file) {
            part->error = ZIP_INTERNALERROR;  // never placed: the part would lack them
        }
        if (part->error == ZIP_OK) {
            part->send(true);
        }
        while (!part->packing.empty()) {
            part->writeOldest();
        }
    } catch (const std::exception&) {
        part->error = ZIP_INTERNALERROR;
    }
    const std::unique_ptr<Part> done = std::move(current);
    if (done->error != ZIP_OK) {
        return done->error;
    }
    return zipCloseFileInZipRaw64(file, done->size, done->crc);
}

extern "C" int tolvane_zip_end(zipFile file, const char* comment) {
    current.reset();
    nextRows = Rows{};
    return zipClose(file, comment);
}
