// HEIC and AVIF over libheif (HEVC through libde265, AV1 through the decoder
// Debian builds in): the primary picture, turned and mirrored as the file asks
// (the library's own transformations), deeper samples rounded to 8 bits, its
// alpha drawn over the background.
#include <libheif/heif.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "imaging/DecoderInternal.h"

namespace vantor::decoders {

namespace {

// The library's own limit on a side (its default is 32768): the picture cap
// decides, from the size the file declares, before anything is decoded.
constexpr int kMaxSide = 1 << 17;

extern "C" int64_t OnHeifPosition(void* user) { return static_cast<int64_t>(static_cast<Source*>(user)->Tell()); }

extern "C" int OnHeifRead(void* into, size_t bytes, void* user) {
    return static_cast<Source*>(user)->Read(into, bytes) == bytes ? 0 : 1;
}

extern "C" int OnHeifSeek(int64_t position, void* user) {
    return position >= 0 && static_cast<Source*>(user)->Seek(static_cast<std::uint64_t>(position)) ? 0 : 1;
}

extern "C" heif_reader_grow_status OnHeifGrow(int64_t size, void* user) {
    Source* source = static_cast<Source*>(user);
    if (size >= 0 && static_cast<std::uint64_t>(size) <= source->size) return heif_reader_grow_status_size_reached;
    source->cutShort = true;
    return heif_reader_grow_status_size_beyond_eof;
}

constexpr heif_reader kReader = {1, OnHeifPosition, OnHeifRead, OnHeifSeek, OnHeifGrow};

bool LibraryFailed(Job& job, const heif_error& error) {
    const std::string text = error.message != nullptr ? error.message : "unknown error";
    if (error.subcode == heif_suberror_Security_limit_exceeded) {
        job.picture->outcome = DecodeOutcome::Failed(DecodeStatus::TooLarge, "too large: " + text);
        return false;
    }
    switch (error.code) {
        case heif_error_Unsupported_filetype: return NotOfFormat(job);
        case heif_error_Unsupported_feature: return Unsupported(job, text);
        case heif_error_Memory_allocation_error: return NoMemory(job);
        default: break;
    }
    if (job.source->cutShort || error.subcode == heif_suberror_End_of_data) return CutShort(job);
    return Damaged(job, text);
}

// Big-endian fields of a box's payload, each read checked against its end: a
// field past it reads 0 and marks the whole read short.
struct Fields {
    const std::uint8_t* at;
    const std::uint8_t* end;
    bool ok = true;

    std::uint64_t Take(unsigned bytes) {
        if (bytes > static_cast<std::size_t>(end - at)) {
            ok = false;
            at = end;
            return 0;
        }
        std::uint64_t value = 0;
        for (unsigned i = 0; i < bytes; ++i) value = value << 8 | *at++;
        return value;
    }
};

// A box's header taken from fields, with left bytes from the box's start to the
// end of what holds it: its type, its whole size (0 in the file: up to the end)
// and its header's. False when it is cut or claims more than is left.
struct BoxHeader {
    std::uint32_t type = 0;
    std::uint64_t size = 0;
    std::uint64_t headerSize = 8;
};

bool TakeBoxHeader(Fields& fields, std::uint64_t left, BoxHeader& box) {
    box.size = fields.Take(4);
    box.type = static_cast<std::uint32_t>(fields.Take(4));
    box.headerSize = 8;
    if (box.size == 1) {
        box.size = fields.Take(8);
        box.headerSize = 16;
    }
    if (box.size == 0) box.size = left;
    return fields.ok && box.size >= box.headerSize && box.size <= left;
}

// Each box of [begin, end): its type and payload; a box that claims more than is
// there ends the walk.
template <typename Each>
void ForEachBox(const std::uint8_t* begin, const std::uint8_t* end, Each each) {
    Fields fields{begin, end};
    BoxHeader box;
    while (fields.at < end) {
        const std::uint8_t* start = fields.at;
        if (!TakeBoxHeader(fields, static_cast<std::uint64_t>(end - start), box)) return;
        each(box.type, fields.at, start + box.size);
        fields.at = start + box.size;
    }
}

constexpr std::uint32_t FourCc(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint8_t(name[3]);
}

// Where an item's bytes are: in the file (method 0) or in the meta's idat box (1).
struct ItemPlace {
    std::uint64_t method = 0;
    std::uint64_t base = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // offset, length (0: to the end)
};

// The first bytes of an item's data, at most count of them.
std::vector<std::uint8_t> ItemHead(Source& source, const ItemPlace& place, const std::uint8_t* idat,
                                   std::size_t idatSize, std::size_t count) {
    std::vector<std::uint8_t> head;
    for (const auto& [offset, length] : place.extents) {
        if (head.size() >= count) break;
        const std::uint64_t start = place.base + offset;
        const std::uint64_t whole = place.method == 0 ? source.size : idatSize;
        if (start < place.base || start >= whole) break;
        std::uint64_t take = length == 0 || length > whole - start ? whole - start : length;
        if (take > count - head.size()) take = count - head.size();
        const std::size_t had = head.size();
        head.resize(had + take);
        if (place.method == 1) {
            std::memcpy(head.data() + had, idat + start, take);
        } else if (!source.Seek(start) || source.Read(head.data() + had, take) != take) {
            head.resize(had);
            break;
        }
    }
    return head;
}

// The largest meta box read to look at the derived pictures: far above any
// camera's, which are a few kilobytes; a larger one is refused.
constexpr std::uint64_t kMaxMetaBytes = 64u << 20;

// What is wrong, if anything, with the pictures the file composes of others (its
// grids, overlays and identities), as the library would meet it only while
// decoding: nullptr when nothing is. The library composes a grid's or an
// overlay's canvas at the size the derived item's own data gives, whatever the
// picture's declared size, so a file of a few hundred bytes could have it fill
// gigabytes: every canvas must be no larger than the declared picture (no longer
// side, no more pixels), as a well-made file's canvas is its picture. And the
// library aborts the whole program on a part that is not a picture, so every part
// a derived picture names must be one.
const char* MetaFault(Source& source, const std::vector<std::uint8_t>& meta, std::uint64_t width,
                      std::uint64_t height) {
    if (meta.size() < 4) return nullptr;
    std::map<std::uint32_t, std::uint32_t> types;  // item ID to its type
    std::map<std::uint32_t, ItemPlace> places;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> parts;  // derived item, an item it is made of
    const std::uint8_t* idat = nullptr;
    std::size_t idatSize = 0;
    std::set<std::uint32_t> seen;
    ForEachBox(
        meta.data() + 4, meta.data() + meta.size(),
        [&](std::uint32_t type, const std::uint8_t* begin, const std::uint8_t* end) {
            // The library takes the first box of each kind.
            if (!seen.insert(type).second) return;
            Fields fields{begin, end};
            if (type == FourCc("idat")) {
                idat = begin;
                idatSize = static_cast<std::size_t>(end - begin);
            } else if (type == FourCc("iinf")) {
                const auto version = fields.Take(1);
                fields.Take(3);
                fields.Take(version == 0 ? 2 : 4);  // the count: the boxes themselves say it
                ForEachBox(fields.at, end, [&](std::uint32_t entry, const std::uint8_t* from, const std::uint8_t* to) {
                    Fields infe{from, to};
                    const auto infeVersion = infe.Take(1);
                    infe.Take(3);
                    if (entry != FourCc("infe") || infeVersion < 2) return;
                    const auto id = static_cast<std::uint32_t>(infe.Take(infeVersion == 2 ? 2 : 4));
                    infe.Take(2);  // protection index
                    const auto itemType = static_cast<std::uint32_t>(infe.Take(4));
                    if (infe.ok) types.emplace(id, itemType);  // the first entry of an ID counts
                });
            } else if (type == FourCc("iref")) {
                // Read as the library reads it: each reference's box header, then
                // its items one after the other, whatever size the header gives.
                const unsigned idSize = fields.Take(1) == 0 ? 2 : 4;
                fields.Take(3);
                while (fields.ok && fields.at < end) {
                    const auto size = fields.Take(4);
                    const auto kind = fields.Take(4);
                    if (size == 1) fields.Take(8);
                    if (kind == FourCc("uuid")) fields.Take(16);
                    const auto item = static_cast<std::uint32_t>(fields.Take(idSize));
                    const auto count = fields.Take(2);
                    for (std::uint64_t i = 0; i < count && fields.ok; ++i) {
                        const auto part = static_cast<std::uint32_t>(fields.Take(idSize));
                        if (fields.ok && kind == FourCc("dimg")) parts.emplace_back(item, part);
                    }
                }
            } else if (type == FourCc("iloc")) {
                const auto version = fields.Take(1);
                fields.Take(3);
                const auto sizes = fields.Take(2);
                const unsigned offsetSize = sizes >> 12, lengthSize = sizes >> 8 & 15, baseSize = sizes >> 4 & 15;
                const unsigned indexSize = version >= 1 ? sizes & 15 : 0;
                const auto count = fields.Take(version < 2 ? 2 : 4);
                for (std::uint64_t i = 0; i < count && fields.ok; ++i) {
                    const auto id = static_cast<std::uint32_t>(fields.Take(version < 2 ? 2 : 4));
                    ItemPlace place;
                    if (version >= 1) place.method = fields.Take(2) & 15;
                    fields.Take(2);  // data reference
                    place.base = fields.Take(baseSize);
                    const auto extents = fields.Take(2);
                    for (std::uint64_t e = 0; e < extents && fields.ok; ++e) {
                        fields.Take(indexSize);
                        const auto offset = fields.Take(offsetSize);
                        place.extents.emplace_back(offset, fields.Take(lengthSize));
                    }
                    if (fields.ok) places[id] = std::move(place);
                }
            }
        });

    const auto isDerived = [](std::uint32_t type) {
        return type == FourCc("grid") || type == FourCc("iovl") || type == FourCc("iden");
    };
    const char* fault = nullptr;
    for (const auto& [item, part] : parts) {
        const auto from = types.find(item), to = types.find(part);
        if (from == types.end() || !isDerived(from->second)) continue;
        if (to == types.end() || (!isDerived(to->second) && to->second != FourCc("hvc1") &&
                                  to->second != FourCc("av01") && to->second != FourCc("vvc1"))) {
            fault = "its picture is made of a part that is not a picture";
            break;
        }
    }
    for (const auto& [id, type] : types) {
        const bool grid = type == FourCc("grid");
        if (fault != nullptr || (!grid && type != FourCc("iovl"))) continue;
        const auto place = places.find(id);
        if (place == places.end() || place->second.method > 1) continue;
        // grid: version, flags, rows and columns, the size; iovl: version, flags,
        // four fill values, the size. Flag 1: the size in 32-bit fields.
        const std::vector<std::uint8_t> head = ItemHead(source, place->second, idat, idatSize, 18);
        const std::size_t sizeAt = grid ? 4 : 10;
        if (head.size() < sizeAt) continue;  // too short: the library refuses it itself
        const unsigned field = (head[1] & 1) != 0 ? 4 : 2;
        Fields fields{head.data() + sizeAt, head.data() + head.size()};
        const std::uint64_t canvasWidth = fields.Take(field), canvasHeight = fields.Take(field);
        if (!fields.ok) continue;
        const std::uint64_t longer = width > height ? width : height;
        if (canvasWidth > longer || canvasHeight > longer || canvasWidth * canvasHeight > width * height)
            fault = "it composes a picture larger than its header gives";
    }
    return fault;
}

// Every meta box of the file is looked at: the library reads the last one it can.
const char* DerivedPictureFault(Source& source, std::uint64_t width, std::uint64_t height) {
    const bool wasCut = source.cutShort;
    const char* fault = nullptr;
    std::uint64_t at = 0;
    while (fault == nullptr && at + 8 <= source.size && source.Seek(at)) {
        std::uint8_t header[16];
        const std::uint64_t left = source.size - at;
        Fields fields{header, header + source.Read(header, left < 16 ? left : 16)};
        BoxHeader box;
        if (!TakeBoxHeader(fields, left, box)) break;
        if (box.type == FourCc("meta") && box.size - box.headerSize > kMaxMetaBytes) {
            fault = "its item boxes take more than 64 MB";
        } else if (box.type == FourCc("meta")) {
            std::vector<std::uint8_t> meta(box.size - box.headerSize);
            if (!source.Seek(at + box.headerSize) || source.Read(meta.data(), meta.size()) != meta.size()) break;
            fault = MetaFault(source, meta, width, height);
        }
        at += box.size;
    }
    source.cutShort = wasCut;
    return fault;
}

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

}  // namespace

void DecodeHeif(Job& job) {
    // Every HEIF file begins with its file type box.
    std::uint8_t head[12];
    if (job.source->Read(head, sizeof head) != sizeof head || std::memcmp(head + 4, "ftyp", 4) != 0) {
        NotOfFormat(job);
        return;
    }
    job.source->Seek(0);
    // Registers the decoders the library was built with; once, and kept.
    static std::once_flag started;
    std::call_once(started, [] { heif_init(nullptr); });

    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) {
        NoMemory(job);
        return;
    }
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    heif_error error = heif_context_read_from_reader(context.get(), &kReader, job.source, nullptr);
    if (error.code != heif_error_Ok) {
        LibraryFailed(job, error);
        return;
    }
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &primary);
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(primary);
    if (error.code != heif_error_Ok) {
        LibraryFailed(job, error);
        return;
    }
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!SizeKnown(job, width > 0 ? width : 0, height > 0 ? height : 0)) return;
    // Measured by the size the file declares, before the library composes anything.
    const int declaredWidth = heif_image_handle_get_ispe_width(handle.get());
    const int declaredHeight = heif_image_handle_get_ispe_height(handle.get());
    const char* fault = DerivedPictureFault(*job.source, declaredWidth > 0 ? std::uint64_t(declaredWidth) : 0,
                                            declaredHeight > 0 ? std::uint64_t(declaredHeight) : 0);
    if (fault != nullptr) {
        Damaged(job, fault);
        return;
    }
    if (WantsCancel(job)) {
        Cancelled(job);
        return;
    }

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) {
        NoMemory(job);
        return;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    error = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    if (error.code != heif_error_Ok) {
        LibraryFailed(job, error);
        return;
    }
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (plane == nullptr || heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
        heif_image_get_height(image.get(), heif_channel_interleaved) != height ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
        Damaged(job, "its picture is not the size its header gives");
        return;
    }
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    std::uint8_t* pixels = TakePicture(job, w, h);
    if (pixels == nullptr) return;
    const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    const std::uint8_t* bg = job.request->background;
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = plane + std::size_t(y) * static_cast<std::size_t>(stride);
        std::uint8_t* into = DisplayRow(pixels, w, h, y);
        if (!alpha) {
            RgbRow(row, w, into);
        } else if (premultiplied) {
            PremultipliedRow(row, w, bg, into);
        } else {
            RgbaRow(row, w, bg, into);
        }
    }
}

}  // namespace vantor::decoders
