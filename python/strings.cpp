// Python strings as the library's views; see strings.h.
#include "python/strings.h"

#include <lcs/routines.h>

#include <cstring>
#include <string>

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
constexpr Py_ssize_t kAhead = 16;

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

// A str of the 1-byte kind or a bytes object, in place.
std::optional<std::string_view> narrow_in_place(PyObject* o) {
    if (PyBytes_Check(o)) return std::string_view(PyBytes_AS_STRING(o), PyBytes_GET_SIZE(o));
    return narrow_str(o);
}

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

Strings::~Strings() {
    for (std::size_t i = 0; i < held_.size(); ++i) {
        if (i + kAhead < held_.size()) __builtin_prefetch(held_[i + kAhead], 1);
        Py_DECREF(held_[i]);
    }
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
    bytes_pending_.push_back({bytes_.size(), copied_.size(), bytes.size()});
    bytes_.emplace_back();
    copied_.append(bytes);
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
    copied_.clear();
    copied_.shrink_to_fit();
}

std::size_t Strings::add(py::handle object, Growth growth) {
    PyObject* o = object.ptr();
    held_.push_back(o);
    Py_INCREF(o);
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

Strings::Added Strings::add_all(py::handle sequence, Growth growth, const char* what) {
    PyObject* o = sequence.ptr();
    if (PyUnicode_Check(o) || PyBytes_Check(o) || PyByteArray_Check(o) || PyMemoryView_Check(o) ||
        !PySequence_Check(o)) {
        throw py::type_error(std::string("lcs: ") + what + " must be a sequence of strings, not " +
                             Py_TYPE(o)->tp_name);
    }
    // A list or a tuple is read in place, its size read again at each
    // element: converting an element of items may run Python code (__hash__,
    // __eq__) that changes the list. Other sequences are copied to a tuple.
    py::object elements = py::reinterpret_borrow<py::object>(sequence);
    if (!PyList_Check(o) && !PyTuple_Check(o)) {
        elements = py::reinterpret_steal<py::object>(PySequence_Tuple(o));
        if (!elements) throw py::error_already_set();
    }
    PyObject* fast = elements.ptr();
    const std::size_t before = count();
    const auto expected = static_cast<std::size_t>(PySequence_Fast_GET_SIZE(fast));
    held_.reserve(before + expected);
    if (wide_) {
        symbols_.reserve(before + expected);
    } else {
        bytes_.reserve(before + expected);
    }
    std::size_t symbols = 0;
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(fast); ++i) {
        // The objects lie scattered in memory: asking for one a few places
        // ahead overlaps the cache misses instead of taking them in turn.
        if (i + kAhead < PySequence_Fast_GET_SIZE(fast)) {
            __builtin_prefetch(PySequence_Fast_GET_ITEM(fast, i + kAhead), 1);
        }
        PyObject* element = PySequence_Fast_GET_ITEM(fast, i);
        const std::optional<std::string_view> narrow = narrow_str(element);
        if (narrow && !wide_ && family_ == Family::str) {
            // The common case, a str of code points below 256 in a list of
            // such, taken inline: add() would come to the same view.
            check_size(narrow->size());
            held_.push_back(element);
            Py_INCREF(element);
            bytes_.push_back(*narrow);
            symbols += narrow->size();
        } else {
            symbols += add(element, growth);
        }
    }
    return {count() - before, static_cast<double>(symbols)};
}

const std::vector<std::string_view>& Strings::bytes() {
    for (const Pending& p : bytes_pending_) {
        bytes_[p.index] = std::string_view(copied_.data() + p.offset, p.size);
    }
    bytes_pending_.clear();
    return bytes_;
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
