// Python strings as the library takes them: std::string_view (bytes) or
// std::u32string_view (32-bit symbols).
//
// Three families of Python object are strings here, and one call never mixes
// them (as Python's own comparisons refuse str == bytes):
// - str: code points, read from the object's own storage. CPython keeps a
//   str at 1, 2 or 4 bytes a code point (PEP 393); the 1-byte form is read in
//   place as bytes (code point c is byte c, and the library's byte b is its
//   symbol b), the 4-byte form in place as 32-bit symbols, and the 2-byte
//   form, which the library has no view of, is widened into a buffer of the
//   call. A str is immutable and the call holds a reference to it, so the
//   storage stays put while the GIL is released.
// - bytes, bytearray, memoryview: bytes. A bytes object is read in place; a
//   bytearray or a memoryview is copied, since another thread may change or
//   resize it while the GIL is released.
// - any other sequence of hashable items (a list of words, a tuple of lines):
//   equal items (by hash and ==) become equal symbols through an Interner.
//
// A call collects each list (or pair) of strings into one Strings under the
// GIL; when one of them is wide (a str with a code point above 255, or
// items), every one is given as 32-bit symbols, since the library's batch
// functions take one form for a list.
//
// What keeps a view valid while the GIL is released: another Python thread
// may change a list meanwhile and so free the strings it held. A plain str
// of 1 byte a code point, the common element of a long list, is copied into
// a ByteArena: its bytes are read once, its object is never written, and
// nothing is owed to it afterwards. Holding a reference to each instead
// (Py_INCREF, and Py_DECREF at the end) writes to every object's cache line
// twice, and over a million scattered objects those two passes cost more than
// the copy and the comparisons together. Every other string is held by a
// reference and read in place (or copied or widened as above). A long list
// is copied by the call's threads at once, while the calling thread holds
// the GIL: no Python code runs meanwhile, so nothing can change the list or
// free its strings, and the helper threads only read memory.
// Tests: python/tests/test_lcs.py.
#ifndef LCS_PYTHON_STRINGS_H
#define LCS_PYTHON_STRINGS_H

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

namespace lcs::python {

namespace py = pybind11;

enum class Family { none, str, bytes, items };

// Equal items to equal 32-bit symbols: item k first seen gets symbol k. A
// lookup that may not add (the texts compared with a query) gives the items
// the query lacks one symbol of their own, kUnknown, which matches nothing
// of the query; that is all an LCS against the query needs of them.
class Interner {
public:
    static constexpr char32_t kUnknown = 0xFFFFFFFF;

    // Appends the symbols of `items` (a tuple) to `out`. Under the GIL.
    void symbols(py::handle items, bool add, std::u32string& out);

private:
    py::object ids_;  // a dict, made at the first use
    std::size_t next_ = 0;
};

// Copies of byte strings in blocks that never move, so that a view of one
// stays valid however many are copied after it. Blocks of the usual size
// come from a pool that keeps those of earlier calls: memory the process
// has not written yet costs a page fault a 4 KiB page when first written,
// and here, over the 30 MB that a million short strings take, that costs
// more than copying them.
// Each thread of a call copies into an arena of its own; an arena fills a
// cache line of its own, so that the threads never write to one line.
class alignas(64) ByteArena {
public:
    ByteArena() = default;
    ~ByteArena();
    ByteArena(ByteArena&& other) noexcept;
    ByteArena& operator=(ByteArena&&) = delete;
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;

    std::string_view copy(std::string_view bytes);

    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

private:
    std::string_view copy_to_new_block(std::string_view bytes);

    std::vector<std::unique_ptr<char[]>> blocks_;  // of kBlockBytes, for the pool
    std::vector<std::unique_ptr<char[]>> large_;   // a string longer than a block each
    char* free_ = nullptr;                         // the unused end of the last block
    std::size_t left_ = 0;
};

// Whether a call may give new items new symbols.
enum class Growth { add, look_up };

// The strings of one list (or of a pair), in the order added. While all are
// narrow they are kept as byte views from the start, so that the library is
// given the list without another copy; the first wide string turns them all
// into 32-bit symbols.
class Strings {
public:
    // `family`: the family that every string must be of (a Pattern's, or the
    // other list's), or none for that of the first string added.
    explicit Strings(Interner& interner, Family family = Family::none)
        : interner_(interner), family_(family) {}

    // Gives back the references held (see held_).
    ~Strings();
    Strings(const Strings&) = delete;
    Strings& operator=(const Strings&) = delete;

    // Adds one Python object (under the GIL); returns its size in symbols.
    // TypeError when it is not a string of any family or is of another family
    // than those before it; ValueError when it is longer than lcs::kMaxLength.
    std::size_t add(py::handle object, Growth growth);
    // Adds every element of a sequence (not a str or bytes-like object
    // itself), as each is when it is reached. `what` names the sequence in
    // messages; a long list is copied on up to `threads` threads (0: every
    // core), as the call's work is.
    struct Added {
        std::size_t count;  // strings
        double symbols;     // their symbols together, for estimates of work
    };
    Added add_all(py::handle sequence, Growth growth, const char* what, unsigned threads = 1);
    // The sequence as add_range reads it: a list or tuple itself, any other
    // sequence copied to a tuple. TypeError when it is a string itself or
    // not a sequence.
    static py::object elements_of(py::handle sequence, const char* what);
    // Adds elements [from, to) of a list or tuple (those it still has), as
    // add_all adds them all.
    Added add_range(const py::object& elements, std::size_t from, std::size_t to, Growth growth,
                    unsigned threads = 1);

    std::size_t count() const { return wide_ ? symbols_.size() : bytes_.size(); }
    // The object that string i was read from (under the GIL). For a copied
    // str, the sequence's element at its place when that still has the same
    // text (so, unless another thread changed the list during the call, the
    // very object given), else a new str of the text that was compared.
    py::object object(std::size_t i);
    Family family() const { return family_; }
    bool wide() const { return wide_; }

    // After the last add: the strings as bytes (while none is wide) or as
    // 32-bit symbols (always; a narrow list is widened first).
    const std::vector<std::string_view>& bytes() const { return bytes_; }
    const std::vector<std::u32string_view>& symbols();
    std::size_t size(std::size_t i) { return wide_ ? symbols()[i].size() : bytes()[i].size(); }

private:
    // A view whose data lies in an arena that may still move: its pointer is
    // set once the adds are over.
    struct Pending {
        std::size_t index, offset, size;
    };

    // Where the elements of one add_all begin among the strings, and the
    // list or tuple they were taken from (held).
    struct Source {
        std::size_t first;   // among the strings
        std::size_t offset;  // among the elements
        py::object elements;
    };

    void join(Family family);
    void hold(PyObject* object);
    ByteArena& arena(std::size_t part);
    std::size_t copy_run(PyObject* elements, std::size_t from, std::size_t size, unsigned parts,
                         std::size_t& symbols);
    bool same_text(PyObject* element, std::size_t i);
    void add_narrow(const char* data, std::size_t size);
    void add_copied(std::string_view bytes);
    template <class Narrow>
    void add_widened(const Narrow* data, std::size_t size);
    void add_arena_tail(std::size_t offset);
    void make_wide();

    Interner& interner_;
    Family family_;
    bool wide_ = false;
    // A reference to each object read in place, with its index, in order:
    // a list given to add_all may change while the GIL is released, the
    // objects taken from it may not.
    std::vector<std::pair<std::size_t, PyObject*>> held_;
    std::vector<Source> sources_;

    std::vector<std::string_view> bytes_;  // narrow
    std::vector<ByteArena> copies_;        // copied strs and bytes, one arena a thread

    std::vector<std::u32string_view> symbols_;  // wide
    std::u32string arena_;                      // widened strings, items' symbols
    std::vector<Pending> symbols_pending_;      // views into arena_
};

// a and b read in place as bytes, when both can be: two str of code points
// below 256, or two bytes objects. A fast path for short pairs, which would
// spend longer in Strings than in the library.
std::optional<std::pair<std::string_view, std::string_view>> narrow_pair(py::handle a,
                                                                         py::handle b);

// The family of an object; TypeError when it is of none.
Family family_of(py::handle object);

// The name of a family for messages: "str", "bytes", "a sequence".
const char* family_name(Family family);

// Sizes and indices of the library are 32-bit: a longer string is refused
// before any of it is copied.
void check_size(std::size_t size);

}  // namespace lcs::python

#endif  // LCS_PYTHON_STRINGS_H
