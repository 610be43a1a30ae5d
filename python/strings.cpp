// Python strings as the library's views; see strings.h.
#include "python/strings.h"

#include <lcs/routines.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "toolkit/many.h"
#include "toolkit/threads.h"

namespace lcs::python {

namespace {

// A buffer view released on every path.
class Buffer {
public:
    explicit Buffer(py::handle object) {
        if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) {
            PyErr_Clear();
            throw py::value_error("lcs: a memoryview must be contiguous");
        }
    }
    ~Buffer() { PyBuffer_Release(&view_); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    std::string_view bytes() const {
        return {static_cast<const char*>(view_.buf), static_cast<std::size_t>(view_.len)};
    }

private:
    Py_buffer view_{};
};


// How many objects ahead a pass over a list asks for.
constexpr std::size_t kAhead = 32;

// Asks for an element's first two cache lines: a short str's header and its
// text, which follows the header and crosses into the second line.
void prefetch_str(PyObject* o) {
    __builtin_prefetch(o);
    __builtin_prefetch(reinterpret_cast<const char*>(o) + 64);
}

// From how many elements a list is copied on more than one thread: below,
// starting a thread costs more than it saves.
constexpr Py_ssize_t kPartsFrom = Py_ssize_t{1} << 15;

template <class Narrow>
void widen_into(const Narrow* from, std::size_t size, std::u32string& to) {
    for (std::size_t i = 0; i < size; ++i) to.push_back(static_cast<char32_t>(from[i]));
}

// A str of the 1-byte kind (code points below 256), in place: code point c
// is byte c.
std::optional<std::string_view> narrow_str(PyObject* o) {
    if (PyUnicode_Check(o) && PyUnicode_IS_READY(o) && PyUnicode_KIND(o) == PyUnicode_1BYTE_KIND) {
        return std::string_view(static_cast<const char*>(PyUnicode_DATA(o)),
                                static_cast<std::size_t>(PyUnicode_GET_LENGTH(o)));
    }
    return std::nullopt;
}

// Whether o is a str of exactly that type (not a subclass, whose object a
// call must give back as it was) of the 1-byte kind, short enough for the
// library: the strings that are copied. Reads the object only, so a helper
// thread may ask while the caller holds the GIL. (A plain bool, not an
// optional view: returned through memory, the optional made the pass over a
// million strings half as slow again.)
bool copyable_str(PyObject* o) {
    return PyUnicode_CheckExact(o) && PyUnicode_IS_READY(o) &&
           PyUnicode_KIND(o) == PyUnicode_1BYTE_KIND &&
           PyUnicode_GET_LENGTH(o) <= static_cast<Py_ssize_t>(lcs::kMaxLength);
}

// The code points of a str of the 1-byte kind, as bytes.
std::string_view str_bytes(PyObject* o) {
    return {static_cast<const char*>(PyUnicode_DATA(o)),
            static_cast<std::size_t>(PyUnicode_GET_LENGTH(o))};
}

// Copies the copyable strs of items[from, to) into `copies`, giving each
// copy to put(i, copy), up to the first element that is not one; returns
// where it stopped (`to` when at none) and adds the symbols copied to
// `symbols`.
template <class Put>
std::size_t copy_slice(PyObject* const* items, std::size_t from, std::size_t to,
                       ByteArena& copies, std::size_t& symbols, Put put) {
    // The sum is kept here, not in `symbols`: the copies' stores may alias
    // it, so that it would be stored at every string, and the threads'
    // sums lie side by side.
    std::size_t sum = 0;
    std::size_t i = from;
    for (; i < to; ++i) {
        // The objects lie scattered in memory: asking for one a few places
        // ahead overlaps the cache misses instead of taking them in turn.
        if (i + kAhead < to) prefetch_str(items[i + kAhead]);
        if (!copyable_str(items[i])) break;
        const std::string_view bytes = str_bytes(items[i]);
        put(i, copies.copy(bytes));
        sum += bytes.size();
    }
    symbols += sum;
    return i;
}

// A str of the 1-byte kind or a bytes object, in place.
std::optional<std::string_view> narrow_in_place(PyObject* o) {
    if (PyBytes_Check(o)) return std::string_view(PyBytes_AS_STRING(o), PyBytes_GET_SIZE(o));
    return narrow_str(o);
}

// memcpy of a size known when compiling is a plain load and store; a short
// string, the usual element of a long list, is copied as two such pieces
// that overlap, instead of through a call.
void copy_bytes(char* to, const char* from, std::size_t size) {
    const auto two_pieces = [&](auto piece) {
        constexpr std::size_t kPiece = sizeof(piece);
        std::memcpy(&piece, from, kPiece);
        std::memcpy(to, &piece, kPiece);
        std::memcpy(&piece, from + size - kPiece, kPiece);
        std::memcpy(to + size - kPiece, &piece, kPiece);
    };
    struct Bytes16 {
        char bytes[16];
    };
    struct Bytes32 {
        char bytes[32];
    };
    if (size >= 8 && size <= 16) {
        two_pieces(std::uint64_t{});
    } else if (size > 16 && size <= 32) {
        two_pieces(Bytes16{});
    } else if (size > 32 && size <= 64) {
        two_pieces(Bytes32{});
    } else if (size > 0) {
        std::memcpy(to, from, size);
    }
}

// The blocks that ByteArenas gave back, for the next to take: at most
// kKeptBlocks, as much as about two calls over a million short strings use.
class BlockPool {
public:
    static BlockPool& shared() {
        static BlockPool* pool = new BlockPool;  // never destroyed: arenas may outlive statics
        return *pool;
    }

    std::unique_ptr<char[]> take() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!kept_.empty()) {
                std::unique_ptr<char[]> block = std::move(kept_.back());
                kept_.pop_back();
                return block;
            }
        }
        return std::unique_ptr<char[]>(new char[ByteArena::kBlockBytes]);
    }

    void give_back(std::vector<std::unique_ptr<char[]>>& blocks) {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (std::unique_ptr<char[]>& block : blocks) {
            if (kept_.size() == kKeptBlocks) break;
            kept_.push_back(std::move(block));
        }
    }

private:
    static constexpr std::size_t kKeptBlocks = 64;
    std::mutex mutex_;
    std::vector<std::unique_ptr<char[]>> kept_;
};

}  // namespace

Family family_of(py::handle object) {
    PyObject* o = object.ptr();
    if (PyUnicode_Check(o)) return Family::str;
    if (PyBytes_Check(o) || PyByteArray_Check(o) || PyMemoryView_Check(o)) return Family::bytes;
    if (PySequence_Check(o)) return Family::items;
    throw py::type_error(std::string("lcs: expected str, bytes, bytearray, memoryview or a "
                                     "sequence of hashable items, not ") +
                         Py_TYPE(o)->tp_name);
}

std::optional<std::pair<std::string_view, std::string_view>> narrow_pair(py::handle a,
                                                                         py::handle b) {
    if (PyUnicode_Check(a.ptr()) != PyUnicode_Check(b.ptr())) return std::nullopt;
    const auto x = narrow_in_place(a.ptr()), y = narrow_in_place(b.ptr());
    if (!x || !y) return std::nullopt;
    return std::make_pair(*x, *y);
}

const char* family_name(Family family) {
    switch (family) {
        case Family::str: return "str";
        case Family::bytes: return "bytes";
        case Family::items: return "a sequence";
        case Family::none: break;
    }
    return "nothing";
}

void check_size(std::size_t size) {
    if (size > static_cast<std::size_t>(lcs::kMaxLength)) {
        throw py::value_error("lcs: a string is longer than 2147483645 symbols");
    }
}

void Interner::symbols(py::handle items, bool add, std::u32string& out) {
    if (!ids_) ids_ = py::dict();
    const Py_ssize_t count = PyTuple_GET_SIZE(items.ptr());
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject* item = PyTuple_GET_ITEM(items.ptr(), i);
        PyObject* id = PyDict_GetItemWithError(ids_.ptr(), item);  // borrowed
        if (id != nullptr) {
            out.push_back(static_cast<char32_t>(PyLong_AsSize_t(id)));
            continue;
        }
        if (PyErr_Occurred()) throw py::error_already_set();  // unhashable: TypeError
        if (!add) {
            out.push_back(kUnknown);
            continue;
        }
        if (next_ == kUnknown) throw py::value_error("lcs: more distinct items than symbols");
        const py::object fresh = py::reinterpret_steal<py::object>(PyLong_FromSize_t(next_));
        if (!fresh || PyDict_SetItem(ids_.ptr(), item, fresh.ptr()) != 0) {
            throw py::error_already_set();
        }
        out.push_back(static_cast<char32_t>(next_++));
    }
}

void Strings::join(Family family) {
    if (family_ == Family::none) {
        family_ = family;
    } else if (family != family_) {
        throw py::type_error(std::string("lcs: cannot compare ") + family_name(family_) +
                             " with " + family_name(family));
    }
}

ByteArena::~ByteArena() { BlockPool::shared().give_back(blocks_); }

ByteArena::ByteArena(ByteArena&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      large_(std::move(other.large_)),
      free_(other.free_),
      left_(other.left_) {
    other.free_ = nullptr;
    other.left_ = 0;
}

std::string_view ByteArena::copy(std::string_view bytes) {
    if (bytes.size() > left_) return copy_to_new_block(bytes);
    char* to = free_;
    free_ += bytes.size();
    left_ -= bytes.size();
    copy_bytes(to, bytes.data(), bytes.size());
    return {to, bytes.size()};
}

std::string_view ByteArena::copy_to_new_block(std::string_view bytes) {
    if (bytes.size() > kBlockBytes) {
        large_.emplace_back(new char[bytes.size()]);
        copy_bytes(large_.back().get(), bytes.data(), bytes.size());
        return {large_.back().get(), bytes.size()};
    }
    blocks_.push_back(BlockPool::shared().take());
    free_ = blocks_.back().get();
    left_ = kBlockBytes;
    return copy(bytes);
}

Strings::~Strings() {
    for (const auto& [index, object] : held_) Py_DECREF(object);
}

void Strings::hold(PyObject* object) {
    held_.emplace_back(count(), object);
    Py_INCREF(object);
}

ByteArena& Strings::arena(std::size_t part) {
    if (copies_.size() <= part) copies_.resize(part + 1);
    return copies_[part];
}

void Strings::add_narrow(const char* data, std::size_t size) {
    if (!wide_) {
        bytes_.emplace_back(data, size);
        return;
    }
    add_widened(reinterpret_cast<const unsigned char*>(data), size);
}

void Strings::add_copied(std::string_view bytes) {
    if (wide_) {
        add_widened(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return;
    }
    bytes_.push_back(arena(0).copy(bytes));
}

template <class Narrow>
void Strings::add_widened(const Narrow* data, std::size_t size) {
    const std::size_t offset = arena_.size();
    widen_into(data, size, arena_);
    add_arena_tail(offset);
}

// The symbols from `offset` to the arena's end are the last string.
void Strings::add_arena_tail(std::size_t offset) {
    symbols_pending_.push_back({symbols_.size(), offset, arena_.size() - offset});
    symbols_.emplace_back();
}

void Strings::make_wide() {
    if (wide_) return;
    const std::vector<std::string_view>& narrow = bytes();
    wide_ = true;
    for (const std::string_view s : narrow) {
        add_widened(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    }
    bytes_.clear();
    bytes_.shrink_to_fit();
    copies_.clear();
}

std::size_t Strings::add(py::handle object, Growth growth) {
    PyObject* o = object.ptr();
    hold(o);
    join(family_of(object));
    if (PyUnicode_Check(o)) {
        if (PyUnicode_READY(o) != 0) throw py::error_already_set();
        const auto size = static_cast<std::size_t>(PyUnicode_GET_LENGTH(o));
        check_size(size);
        const void* data = PyUnicode_DATA(o);
        switch (PyUnicode_KIND(o)) {
            case PyUnicode_1BYTE_KIND: add_narrow(static_cast<const char*>(data), size); break;
            case PyUnicode_2BYTE_KIND:
                make_wide();
                add_widened(static_cast<const Py_UCS2*>(data), size);
                break;
            default:
                make_wide();
                // Py_UCS4 is a 32-bit unsigned integer of the same size and
                // representation as char32_t; the library reads the symbols
                // as values only.
                symbols_.emplace_back(static_cast<const char32_t*>(data), size);
                break;
        }
        return size;
    }
    if (PyBytes_Check(o)) {
        const auto size = static_cast<std::size_t>(PyBytes_GET_SIZE(o));
        check_size(size);
        add_narrow(PyBytes_AS_STRING(o), size);
        return size;
    }
    if (PyByteArray_Check(o) || PyMemoryView_Check(o)) {
        const Buffer buffer(object);
        check_size(buffer.bytes().size());
        add_copied(buffer.bytes());
        return buffer.bytes().size();
    }
    const Py_ssize_t length = PySequence_Size(o);
    if (length < 0) throw py::error_already_set();
    check_size(static_cast<std::size_t>(length));
    const auto items = py::reinterpret_steal<py::tuple>(PySequence_Tuple(o));
    if (!items) throw py::error_already_set();
    make_wide();
    const std::size_t offset = arena_.size();
    interner_.symbols(items, growth == Growth::add, arena_);
    add_arena_tail(offset);
    return arena_.size() - offset;
}

py::object Strings::elements_of(py::handle sequence, const char* what) {
    PyObject* o = sequence.ptr();
    if (PyUnicode_Check(o) || PyBytes_Check(o) || PyByteArray_Check(o) || PyMemoryView_Check(o) ||
        !PySequence_Check(o)) {
        throw py::type_error(std::string("lcs: ") + what + " must be a sequence of strings, not " +
                             Py_TYPE(o)->tp_name);
    }
    if (PyList_Check(o) || PyTuple_Check(o)) return py::reinterpret_borrow<py::object>(sequence);
    py::object elements = py::reinterpret_steal<py::object>(PySequence_Tuple(o));
    if (!elements) throw py::error_already_set();
    return elements;
}

Strings::Added Strings::add_all(py::handle sequence, Growth growth, const char* what,
                                unsigned threads) {
    return add_range(elements_of(sequence, what), 0, SIZE_MAX, growth, threads);
}

Strings::Added Strings::add_range(const py::object& elements, std::size_t from, std::size_t to,
                                  Growth growth, unsigned threads) {
    // The list's size is read again at each element: converting an element
    // of items may run Python code (__hash__, __eq__) that changes the list.
    PyObject* fast = elements.ptr();
    const auto size = [fast] { return static_cast<std::size_t>(PySequence_Fast_GET_SIZE(fast)); };
    const std::size_t before = count();
    sources_.push_back({before, from, elements});
    const std::size_t expected = std::min(to, size()) - std::min(from, size());
    if (wide_) {
        symbols_.reserve(before + expected);
    } else {
        bytes_.reserve(before + expected);
    }
    std::size_t symbols = 0;
    // Each run of plain narrow strs is copied (the first one on the call's
    // threads, when long), and the element that ends it is taken by add().
    unsigned parts = lcs::detail::thread_count(threads, expected);
    for (std::size_t i = from; i < std::min(to, size());) {
        if (!wide_ && (family_ == Family::none || family_ == Family::str)) {
            const std::size_t end = std::min(to, size());
            const bool split = end - i >= static_cast<std::size_t>(kPartsFrom);
            i += copy_run(fast, i, end, split ? parts : 1, symbols);
            // Not split again: a split run sizes the views for the rest of
            // the range at once, which a list of runs cut short would repeat.
            parts = 1;
            if (i == end) break;
        }
        symbols += add(PySequence_Fast_GET_ITEM(fast, static_cast<Py_ssize_t>(i)), growth);
        ++i;
    }
    return {count() - before, static_cast<double>(symbols)};
}

// Copies the run of copyable strs that begins at `from` in a list or tuple,
// on `parts` threads, each a slice into an arena of its own; returns its
// length and adds its symbols to `symbols`. Under the GIL, which the helper
// threads never need: they only read the list and its strings, and no
// Python code runs until they have ended, so nothing can change or free them.
std::size_t Strings::copy_run(PyObject* elements, std::size_t from, std::size_t size,
                              unsigned parts, std::size_t& symbols) {
    PyObject* const* items = PySequence_Fast_ITEMS(elements);
    std::size_t end = from;
    if (parts == 1) {
        end = copy_slice(items, from, size, arena(0), symbols,
                         [&](std::size_t, std::string_view copy) { bytes_.push_back(copy); });
    } else {
        const std::size_t base = bytes_.size();
        bytes_.resize(base + size - from);
        arena(parts - 1);
        const auto slice_start = [&](std::size_t k) { return from + (size - from) * k / parts; };
        std::vector<std::size_t> stopped(parts), sums(parts, 0);
        lcs::detail::run_parts(parts, [&](unsigned k) {
            stopped[k] = copy_slice(items, slice_start(k), slice_start(k + 1), copies_[k], sums[k],
                                    [&](std::size_t i, std::string_view copy) {
                                        bytes_[base + (i - from)] = copy;
                                    });
        });
        // The run ends in the first slice that stopped short; the slices
        // after it are dropped.
        for (unsigned k = 0; k < parts; ++k) {
            symbols += sums[k];
            end = stopped[k];
            if (end != slice_start(k + 1)) break;
        }
        bytes_.resize(base + (end - from));
    }
    if (end > from) family_ = Family::str;
    return end - from;
}

bool Strings::same_text(PyObject* element, std::size_t i) {
    if (!copyable_str(element)) return false;
    const std::string_view narrow = str_bytes(element);
    if (!wide_) return narrow == bytes()[i];
    const std::u32string_view text = symbols()[i];
    return std::equal(narrow.begin(), narrow.end(), text.begin(), text.end(),
                      [](char byte, char32_t symbol) {
                          return static_cast<unsigned char>(byte) == symbol;
                      });
}

py::object Strings::object(std::size_t i) {
    const auto held = std::lower_bound(held_.begin(), held_.end(), i,
                                       [](const std::pair<std::size_t, PyObject*>& h,
                                          std::size_t index) { return h.first < index; });
    if (held != held_.end() && held->first == i) {
        return py::reinterpret_borrow<py::object>(held->second);
    }
    // Copied: it came from the last add_all that began at or before i.
    const auto source = std::prev(std::upper_bound(
        sources_.begin(), sources_.end(), i,
        [](std::size_t index, const Source& s) { return index < s.first; }));
    PyObject* elements = source->elements.ptr();
    const auto at = static_cast<Py_ssize_t>(i - source->first + source->offset);
    if (at < PySequence_Fast_GET_SIZE(elements)) {
        PyObject* element = PySequence_Fast_GET_ITEM(elements, at);
        if (same_text(element, i)) return py::reinterpret_borrow<py::object>(element);
    }
    PyObject* text = nullptr;
    if (wide_) {
        const std::u32string_view symbols = this->symbols()[i];
        text = PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, symbols.data(),
                                         static_cast<Py_ssize_t>(symbols.size()));
    } else {
        const std::string_view bytes = this->bytes()[i];
        text = PyUnicode_DecodeLatin1(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), nullptr);
    }
    if (text == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(text);
}

const std::vector<std::u32string_view>& Strings::symbols() {
    make_wide();
    for (const Pending& p : symbols_pending_) {
        symbols_[p.index] = std::u32string_view(arena_.data() + p.offset, p.size);
    }
    symbols_pending_.clear();
    return symbols_;
}

}  // namespace lcs::python
