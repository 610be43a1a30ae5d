// The Python module `lcs`: <lcs/lcs.h> and the classic routines from Python.
//
// A thin binding: it converts the arguments (strings.h), checks them, runs
// the library without the GIL and stoppable by Ctrl-C (compute.h), and maps
// results to Python objects (numpy arrays for the batches) and C++ errors to
// Python's: std::bad_alloc MemoryError, a string too long ValueError,
// lcs::Stopped KeyboardInterrupt. Ranking, pruning and alignment are the
// library's.
// Tests: python/tests/.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <lcs/lcs.h>
#include <lcs/routines.h>

#include "python/compute.h"
#include "python/strings.h"
#include "support/memory.h"

namespace lcs::python {

namespace {

// ---- arguments ----

unsigned thread_count(long long threads) {
    if (threads < 0) throw py::value_error("lcs: threads must be 0 (every core) or more");
    if (threads > std::numeric_limits<unsigned>::max()) {
        throw py::value_error("lcs: threads is too large");
    }
    return static_cast<unsigned>(threads);
}

double threshold(double min_similarity) {
    if (!(min_similarity >= 0.0 && min_similarity <= 1.0)) {
        throw py::value_error("lcs: min_similarity must be between 0 and 1");
    }
    return min_similarity;
}

// ---- results ----

// A numpy array that owns the vector's storage: no copy.
template <class T>
py::array_t<T> to_array(std::vector<T>&& values, std::vector<py::ssize_t> shape) {
    auto owner = std::make_unique<std::vector<T>>(std::move(values));
    const T* data = owner->data();
    py::capsule base(owner.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
    owner.release();
    return py::array_t<T>(std::move(shape), data, base);
}

template <class T>
py::array_t<T> to_array(std::vector<T>&& values) {
    const auto count = static_cast<py::ssize_t>(values.size());
    return to_array(std::move(values), {count});
}

// The named tuples of the module (Run, Pairs), made once at import. Held for
// the life of the process: a named tuple type outlives any call.
PyObject* run_type = nullptr;
PyObject* pairs_type = nullptr;

py::object named_tuple(py::module_& m, const char* name, std::vector<const char*> fields,
                       const char* doc) {
    py::object type = py::module_::import("collections").attr("namedtuple")(name, fields);
    type.attr("__module__") = "lcs";
    type.attr("__doc__") = doc;
    m.attr(name) = type;
    return type;
}

// LCS / max(|a|, |b|); 1.0 for two empty strings.
double ratio(std::int32_t length, std::size_t a, std::size_t b) {
    const std::size_t longer = std::max(a, b);
    return longer == 0 ? 1.0 : static_cast<double>(length) / static_cast<double>(longer);
}

// ---- strings in the library's form ----

// Calls f with the views of the strings in the form they take: bytes, or
// 32-bit symbols where one of them is wide.
template <class F>
auto in_form(Strings& strings, F&& f) {
    if (strings.wide()) return f(strings.symbols());
    return f(strings.bytes());
}

// The same for two lists, which the library takes in one form.
template <class F>
auto in_form(Strings& first, Strings& second, F&& f) {
    if (first.wide() || second.wide()) return f(first.symbols(), second.symbols());
    return f(first.bytes(), second.bytes());
}

// Two strings, a and b.
struct Two {
    Interner interner;
    Strings strings{interner};
    Two(py::handle a, py::handle b) {
        strings.add(a, Growth::add);
        strings.add(b, Growth::look_up);
    }
    double cells() {
        return static_cast<double>(strings.size(0)) * static_cast<double>(strings.size(1));
    }
};

Alignment alignment_of(py::handle a, py::handle b, unsigned threads) {
    Two two(a, b);
    return in_form(two.strings, [&](const auto& views) {
        const auto x = views[0], y = views[1];
        return compute(two.cells(), [&](const Stop* stop) { return lcs::align(x, y, threads, stop); });
    });
}

// ---- lcs.Pattern ----

class PatternObject {
public:
    explicit PatternObject(py::object query) : query_(std::move(query)) {
        Strings strings(interner_);
        strings.add(query_, Growth::add);
        family_ = strings.family();
        size_ = strings.size(0);
        pattern_ = in_form(strings, [&](const auto& views) { return lcs::Pattern(views[0]); });
    }

    const lcs::Pattern& pattern() const { return *pattern_; }
    Family family() const { return family_; }
    Interner& interner() const { return interner_; }
    std::size_t size() const { return size_; }
    const py::object& query() const { return query_; }

    std::int32_t length(py::handle text) const { return measure(text).first; }

    double similarity(py::handle text) const {
        const auto [common, size] = measure(text);
        return ratio(common, size_, size);
    }

private:
    // The LCS with text, and text's size. Not stoppable: lcs::Pattern takes
    // no Stop.
    std::pair<std::int32_t, std::size_t> measure(py::handle text) const {
        Strings strings(interner_, family_);
        const std::size_t size = strings.add(text, Growth::look_up);
        const double cells = static_cast<double>(size_) * static_cast<double>(size);
        const std::int32_t common = in_form(strings, [&](const auto& views) {
            const auto view = views[0];
            return compute(cells, [&](const Stop*) { return pattern_->length(view); });
        });
        return {common, size};
    }

    py::object query_;
    mutable Interner interner_;  // items: the query's symbols; texts only look up
    Family family_ = Family::none;
    std::size_t size_ = 0;
    std::optional<lcs::Pattern> pattern_;
};

// The query as a prepared pattern: calls f(pattern, interner, family), the
// interner and the family that its choices are read with.
template <class F>
auto with_query(py::handle query, F&& f) {
    if (py::isinstance<PatternObject>(query)) {
        const auto& prepared = query.cast<const PatternObject&>();
        return f(prepared.pattern(), prepared.interner(), prepared.family());
    }
    Interner interner;
    Strings one(interner);
    one.add(query, Growth::add);
    const lcs::Pattern pattern =
        in_form(one, [&](const auto& views) { return lcs::Pattern(views[0]); });
    return f(pattern, interner, one.family());
}

// ---- the module's functions ----

std::int32_t length(py::handle a, py::handle b, long long threads) {
    const unsigned count = thread_count(threads);
    Two two(a, b);
    return in_form(two.strings, [&](const auto& views) {
        const auto x = views[0], y = views[1];
        return compute(two.cells(),
                       [&](const Stop* stop) { return lcs::length(x, y, count, stop); });
    });
}

double similarity(py::handle a, py::handle b) {
    Two two(a, b);
    const std::int32_t common = in_form(two.strings, [&](const auto& views) {
        const auto x = views[0], y = views[1];
        return compute(two.cells(), [&](const Stop* stop) { return lcs::length(x, y, 1, stop); });
    });
    return ratio(common, two.strings.size(0), two.strings.size(1));
}

// Choices collected at a time by the functions of one query against many,
// on one thread. The GIL is held while a run's strings are collected and
// released while the run is computed, so that other Python threads collect
// theirs in the meantime: two threads' calls then overlap all but a run's
// collection instead of taking turns for each whole list. A call on several
// threads takes its list in one run: it keeps the cores busy itself, and
// its threads, started anew for each run, overlapped too little in runs
// this short (2 threads were no faster than 1).
constexpr std::size_t kRunChoices = std::size_t{1} << 16;

// Calls each_run(texts, first, symbols) for the elements of a list or tuple
// a run at a time (all in one on several threads): texts holds elements [first, first + texts->count()),
// `symbols` their symbols together. Each element is read as it is when its
// run is reached; a list that another thread shortens meanwhile ends at its
// new end, one that it lengthens is read to its first length. Returns the
// elements read. Signals are checked between runs.
template <class F>
std::size_t for_each_run(const py::object& elements, Interner& interner, Family family,
                         unsigned threads, F&& each_run) {
    const auto size = [&] {
        return static_cast<std::size_t>(PySequence_Fast_GET_SIZE(elements.ptr()));
    };
    const std::size_t wanted = size();
    std::size_t done = 0;
    while (done < std::min(wanted, size())) {
        auto texts = std::make_unique<Strings>(interner, family);
        const std::size_t end = threads == 1 ? std::min(wanted, done + kRunChoices) : wanted;
        const Strings::Added added = texts->add_range(elements, done, end, Growth::look_up, threads);
        each_run(std::move(texts), done, added.symbols);
        done += added.count;
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
    return done;
}

py::array_t<std::int32_t> lengths(py::handle query, py::handle choices, long long threads) {
    const unsigned count = thread_count(threads);
    const py::object elements = Strings::elements_of(choices, "choices");
    return with_query(query, [&](const lcs::Pattern& pattern, Interner& interner, Family family) {
        py::array_t<std::int32_t> out(PySequence_Fast_GET_SIZE(elements.ptr()));
        const std::size_t done = for_each_run(
            elements, interner, family, count,
            [&](std::unique_ptr<Strings> texts, std::size_t first, double symbols) {
                const std::vector<std::int32_t> run = in_form(*texts, [&](const auto& views) {
                    return compute(pattern.size() * symbols, [&](const Stop* stop) {
                        return lcs::lengths(pattern, views, count, stop);
                    });
                });
                std::copy(run.begin(), run.end(), out.mutable_data() + first);
            });
        if (done < static_cast<std::size_t>(out.size())) {
            out.resize({static_cast<py::ssize_t>(done)});
        }
        return out;
    });
}

py::list extract(py::handle query, py::handle choices, std::optional<long long> limit,
                 double min_similarity, long long threads) {
    const unsigned count = thread_count(threads);
    const double floor = threshold(min_similarity);
    if (limit && *limit < 0) throw py::value_error("lcs: limit must be 0 or more, or None");
    const py::object elements = Strings::elements_of(choices, "choices");
    return with_query(query, [&](const lcs::Pattern& pattern, Interner& interner, Family family) {
        const auto size = static_cast<std::size_t>(PySequence_Fast_GET_SIZE(elements.ptr()));
        lcs::Extraction extraction(limit ? static_cast<std::size_t>(*limit) : size, floor);
        // Every run's strings are kept: the best are given back as the
        // list's own objects, or as the texts compared where it changed.
        std::vector<std::pair<std::size_t, std::unique_ptr<Strings>>> runs;
        for_each_run(elements, interner, family, count,
                     [&](std::unique_ptr<Strings> texts, std::size_t first, double symbols) {
                         in_form(*texts, [&](const auto& views) {
                             return compute(pattern.size() * symbols, [&](const Stop* stop) {
                                 extraction.add(pattern, views, count, stop);
                                 return true;
                             });
                         });
                         runs.emplace_back(first, std::move(texts));
                     });
        const std::vector<Match> matches = extraction.best();
        py::list out(matches.size());
        for (std::size_t i = 0; i < matches.size(); ++i) {
            const auto run = std::prev(std::upper_bound(
                runs.begin(), runs.end(), matches[i].index,
                [](std::size_t index, const auto& r) { return index < r.first; }));
            out[i] = py::make_tuple(run->second->object(matches[i].index - run->first),
                                    matches[i].similarity, matches[i].index);
        }
        return out;
    });
}

py::array_t<std::int32_t> matrix(py::handle queries, py::handle choices, long long threads) {
    const unsigned count = thread_count(threads);
    Interner interner;
    Strings rows(interner);
    const Strings::Added q = rows.add_all(queries, Growth::add, "queries");
    Strings columns(interner, rows.family());
    const Strings::Added c = columns.add_all(choices, Growth::look_up, "choices");
    // The library writes the array's own storage, which numpy leaves
    // untouched until then: no zeroing, no copy.
    py::array_t<std::int32_t> out({static_cast<py::ssize_t>(q.count),
                                   static_cast<py::ssize_t>(c.count)});
    std::int32_t* cells = out.mutable_data();
    const auto size = static_cast<std::size_t>(out.size());
    in_form(rows, columns, [&](const auto& a, const auto& b) {
        return compute(q.symbols * c.symbols, [&](const Stop* stop) {
            lcs::matrix_into(a, b, cells, size, count, stop);
            return true;
        });
    });
    return out;
}

// The pairs as three columns, filled by the library's streaming form so that
// no vector of lcs::Pair is held beside them.
struct PairColumns {
    std::vector<std::int64_t> query, choice;
    std::vector<std::int32_t> length;
    void add(const Pair* pairs, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            query.push_back(static_cast<std::int64_t>(pairs[i].query));
            choice.push_back(static_cast<std::int64_t>(pairs[i].choice));
            length.push_back(pairs[i].length);
        }
    }
};

py::object pairs(py::handle queries, py::handle choices, double min_similarity,
                 long long threads) {
    const unsigned count = thread_count(threads);
    const double floor = threshold(min_similarity);
    Interner interner;
    Strings rows(interner);
    const Strings::Added q = rows.add_all(queries, Growth::add, "queries", count);
    const bool one_list = choices.is_none();
    Strings columns(interner, rows.family());
    const Strings::Added c =
        one_list ? q : columns.add_all(choices, Growth::look_up, "choices", count);
    const double cells = q.symbols * c.symbols / (one_list ? 2 : 1);
    PairColumns found = in_form(rows, columns, [&](const auto& a, const auto& b) {
        return compute(cells, [&](const Stop* stop) {
            PairColumns columns;
            const PairSink sink = [&](const Pair* p, std::size_t k) { columns.add(p, k); };
            if (one_list) {
                lcs::pairs(a, floor, sink, count, stop);
            } else {
                lcs::pairs(a, b, floor, sink, count, stop);
            }
            return columns;
        });
    });
    return py::reinterpret_borrow<py::object>(pairs_type)(to_array(std::move(found.query)),
                                                          to_array(std::move(found.choice)),
                                                          to_array(std::move(found.length)));
}

const char* edit_name(Edit edit) {
    switch (edit) {
        case Edit::keep: return "keep";
        case Edit::remove: return "remove";
        case Edit::insert: return "insert";
    }
    return "";
}

py::list align(py::handle a, py::handle b, long long threads) {
    const Alignment alignment = alignment_of(a, b, thread_count(threads));
    const auto run = py::reinterpret_borrow<py::object>(run_type);
    py::list out(alignment.runs.size());
    for (std::size_t i = 0; i < alignment.runs.size(); ++i) {
        const Run& r = alignment.runs[i];
        out[i] = run(edit_name(r.edit), r.a_pos, r.b_pos, r.count);
    }
    return out;
}

// The runs in difflib.SequenceMatcher.get_opcodes() form: each keep run is
// 'equal'; the edits between two keep runs are one 'delete', one 'insert',
// or, where both, one 'replace'.
py::list opcodes(py::handle a, py::handle b, long long threads) {
    const Alignment alignment = alignment_of(a, b, thread_count(threads));
    py::list out;
    const std::vector<Run>& runs = alignment.runs;
    for (std::size_t i = 0; i < runs.size();) {
        const Run& first = runs[i];
        if (first.edit == Edit::keep) {
            out.append(py::make_tuple("equal", first.a_pos, first.a_pos + first.count,
                                      first.b_pos, first.b_pos + first.count));
            ++i;
            continue;
        }
        std::int32_t removed = 0, inserted = 0;
        for (; i < runs.size() && runs[i].edit != Edit::keep; ++i) {
            (runs[i].edit == Edit::remove ? removed : inserted) += runs[i].count;
        }
        const char* tag = removed && inserted ? "replace" : removed ? "delete" : "insert";
        out.append(py::make_tuple(tag, first.a_pos, first.a_pos + removed, first.b_pos,
                                  first.b_pos + inserted));
    }
    return out;
}

// A longest common subsequence: the keep runs of the alignment, cut from a,
// so that the result is of a's type (bytes for a memoryview, a list for a
// sequence other than a list or a tuple).
py::object common_subsequence(py::handle a, py::handle b, long long threads) {
    const Alignment alignment = alignment_of(a, b, thread_count(threads));
    py::object source = py::reinterpret_borrow<py::object>(a);
    PyObject* o = a.ptr();
    if (PyMemoryView_Check(o)) {
        source = py::reinterpret_steal<py::object>(PyBytes_FromObject(o));
        if (!source) throw py::error_already_set();
    } else if (!PyUnicode_Check(o) && !PyBytes_Check(o) && !PyByteArray_Check(o) &&
               !PyList_Check(o) && !PyTuple_Check(o)) {
        source = py::list(source);
    }
    py::list pieces;
    for (const Run& r : alignment.runs) {
        if (r.edit == Edit::keep) pieces.append(source[py::slice(r.a_pos, r.a_pos + r.count, 1)]);
    }
    if (PyList_Check(source.ptr()) || PyTuple_Check(source.ptr())) {
        py::list joined;
        for (const py::handle piece : pieces) joined.attr("extend")(piece);
        return PyTuple_Check(source.ptr()) ? py::object(py::tuple(joined)) : py::object(joined);
    }
    // str, bytes, bytearray: joined by an empty one of the same type.
    return source.get_type()().attr("join")(pieces);
}

py::object routine(const std::string& name, py::handle a, py::handle b) {
    const RoutineInfo* row = find_routine(name.c_str());
    if (row == nullptr) {
        throw py::value_error("lcs: no routine named '" + name + "' (lcs.routines() lists them)");
    }
    if (family_of(a) != Family::bytes || family_of(b) != Family::bytes) {
        throw py::type_error("lcs: the routines take bytes, bytearray or memoryview "
                             "(encode a str first)");
    }
    Interner interner;
    Strings strings(interner, Family::bytes);
    strings.add(a, Growth::add);
    strings.add(b, Growth::add);
    const auto len_a = static_cast<std::int32_t>(strings.size(0));
    const auto len_b = static_cast<std::int32_t>(strings.size(1));
    // A table routine would take its rows one by one until the system's
    // out-of-memory killer ended the interpreter; refuse it up front.
    const double memory = support::physical_memory_bytes();
    if (memory > 0 && row->working_bytes(len_a, len_b) > memory) {
        PyErr_SetString(PyExc_MemoryError,
                        "lcs: the routine's working storage would not fit in this machine's memory");
        throw py::error_already_set();
    }
    // One-based sequences: a zero byte at position 0 and after the last.
    const auto one_based = [](std::string_view s) {
        std::string buffer(1, '\0');
        buffer.append(s);
        buffer.push_back('\0');
        return buffer;
    };
    const std::string x = one_based(strings.bytes()[0]), y = one_based(strings.bytes()[1]);
    const double cells = static_cast<double>(len_a) * static_cast<double>(len_b);
    const double result = compute(cells, [&](const Stop*) {
        return row->run(x.data(), y.data(), len_a, len_b);
    });
    if (row->kind == RoutineKind::lcs_length) return py::int_(static_cast<std::int64_t>(result));
    return py::float_(result);
}

py::list routines() {
    py::list names;
    for (const RoutineInfo& row : routine_table()) names.append(row.name);
    return names;
}

// ---- the two per-pair entries ----
//
// lcs.length and lcs.similarity are called once per pair in Python loops,
// where pybind11's general dispatch would cost more than the comparison of
// two short strings. So these two are plain METH_FASTCALL functions: two
// positional arguments, both read in place as bytes, and short enough to
// keep the GIL, are answered at once; any other call goes on to the pybind11
// function (kept out of the module), which converts, checks and maps errors
// for every case.

PyObject* length_general = nullptr;
PyObject* similarity_general = nullptr;

template <class Answer>
PyObject* per_pair(PyObject* general, PyObject* const* args, std::size_t count,
                   PyObject* keywords, Answer answer) {
    if (count == 2 && keywords == nullptr) {
        if (const auto pair = narrow_pair(args[0], args[1])) {
            const auto& [a, b] = *pair;
            if (static_cast<double>(a.size()) * static_cast<double>(b.size()) < kReleaseCells) {
                try {
                    return answer(a, b);
                } catch (...) {
                    // The general path raises whatever this was, mapped.
                }
            }
        }
    }
    return PyObject_Vectorcall(general, args, count, keywords);
}

PyObject* length_entry(PyObject*, PyObject* const* args, Py_ssize_t count, PyObject* keywords) {
    return per_pair(length_general, args, static_cast<std::size_t>(count), keywords,
                    [](std::string_view a, std::string_view b) {
                        return PyLong_FromLong(lcs::length(a, b));
                    });
}

PyObject* similarity_entry(PyObject*, PyObject* const* args, Py_ssize_t count,
                           PyObject* keywords) {
    return per_pair(similarity_general, args, static_cast<std::size_t>(count), keywords,
                    [](std::string_view a, std::string_view b) {
                        return PyFloat_FromDouble(lcs::similarity(a, b));
                    });
}

// The first lines, up to "--", give inspect.signature the arguments.
PyMethodDef length_method{"length", reinterpret_cast<PyCFunction>(
                                        reinterpret_cast<void (*)()>(&length_entry)),
                          METH_FASTCALL | METH_KEYWORDS,
                          "length(a, b, threads=1)\n--\n\nThe LCS length of a and b."};
PyMethodDef similarity_method{
    "similarity",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&similarity_entry)),
    METH_FASTCALL | METH_KEYWORDS,
    "similarity(a, b)\n--\n\nLCS / max(len(a), len(b)), from 0.0 to 1.0; 1.0 for two empty "
    "strings."};

void add_per_pair(py::module_& m, PyMethodDef& method, PyObject*& general, py::cpp_function f) {
    general = f.release().ptr();  // for the life of the process, as the module's functions
    const py::object name = py::str(m.attr("__name__"));
    auto entry = py::reinterpret_steal<py::object>(PyCFunction_NewEx(&method, nullptr, name.ptr()));
    if (!entry) throw py::error_already_set();
    m.add_object(method.ml_name, entry);
}

void translate(std::exception_ptr failure) {
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const Stopped&) {
        PyErr_SetNone(PyExc_KeyboardInterrupt);
    } catch (const std::length_error& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    }
}

}  // namespace

}  // namespace lcs::python

PYBIND11_MODULE(lcs, m) {
    namespace py = pybind11;
    using namespace lcs::python;
    using py::arg;

    m.doc() = R"(Exact longest common subsequence (LCS) of strings.

Strings are str (code points), bytes, bytearray or memoryview (bytes), or any
sequence of hashable items (a list of words or lines: equal items are equal
symbols); one call never mixes str, bytes and sequences (TypeError).
Similarity is LCS / max(len(a), len(b)), 1.0 for two empty strings.

Every call releases the GIL while it computes, and a long one stops on
Ctrl-C with KeyboardInterrupt. threads=0 means every core.)";

    py::module_::import("numpy");
    py::register_exception_translator(&translate);

    run_type = named_tuple(m, "Run", {"edit", "a_pos", "b_pos", "count"},
                           "A run of one edit in an alignment: edit is 'keep', 'remove' or "
                           "'insert'; a_pos and b_pos are where it starts in a and b (from 0); "
                           "count is its length in symbols.")
                   .release()
                   .ptr();
    pairs_type = named_tuple(m, "Pairs", {"query", "choice", "length"},
                             "Pairs above a threshold as three numpy arrays of one length: the "
                             "query's index (int64), the choice's index (int64) and their LCS "
                             "length (int32).")
                     .release()
                     .ptr();

    add_per_pair(m, length_method, length_general,
                 py::cpp_function(&length, py::name("length"), arg("a"), arg("b"),
                                  arg("threads") = 1));
    add_per_pair(m, similarity_method, similarity_general,
                 py::cpp_function(&similarity, py::name("similarity"), arg("a"), arg("b")));

    py::class_<PatternObject>(m, "Pattern", R"(A query prepared once for many comparisons.

Safe to share between threads.)")
        .def(py::init<py::object>(), arg("query"))
        .def("length", &PatternObject::length, arg("text"),
             "The LCS length of the query and text. Not interruptible.")
        .def("similarity", &PatternObject::similarity, arg("text"),
             "LCS / max(len(query), len(text)); 1.0 for two empty strings. Not interruptible.")
        .def_property_readonly("query", &PatternObject::query, "The query it was made from.")
        .def("__len__", &PatternObject::size, "The query's length in symbols.");

    m.def("lengths", &lengths, arg("query"), arg("choices"), arg("threads") = 1,
          R"(The LCS length of query (a string or a Pattern) with each choice, in the
choices' order, as a numpy int32 array.)");
    m.def("extract", &extract, arg("query"), arg("choices"), arg("limit") = 5,
          arg("min_similarity") = 0.0, arg("threads") = 1,
          R"(The best choices for query (a string or a Pattern): a list of
(choice, similarity, index), highest similarity first, ties in the choices'
order, at most limit of them (None: no limit), only those with a similarity
of at least min_similarity.)");
    m.def("matrix", &matrix, arg("queries"), arg("choices"), arg("threads") = 1,
          R"(The LCS length of every query with every choice: a numpy int32 array of
shape (len(queries), len(choices)).)");
    m.def("pairs", &pairs, arg("queries"), arg("choices") = py::none(),
          arg("min_similarity") = 0.8, arg("threads") = 1,
          R"(Every pair of a query and a choice whose similarity is at least
min_similarity, as Pairs(query, choice, length) of numpy arrays, ordered by
query, then by choice. choices=None compares the queries with each other:
each unordered pair once (query < choice), never a string with itself.)");
    m.def("align", &align, arg("a"), arg("b"), arg("threads") = 1,
          R"(A longest common subsequence of a and b as an edit script: a list of
Run(edit, a_pos, b_pos, count) in order along both strings, edit 'keep',
'remove' (from a) or 'insert' (from b). Memory linear in len(a) + len(b).)");
    m.def("opcodes", &opcodes, arg("a"), arg("b"), arg("threads") = 1,
          R"(The alignment of align() in difflib.SequenceMatcher.get_opcodes() form: a
list of (tag, i1, i2, j1, j2), tag 'equal', 'delete', 'insert' or 'replace',
so that a[i1:i2] becomes b[j1:j2]; the 'equal' ranges hold a longest common
subsequence.)");
    m.def("common_subsequence", &common_subsequence, arg("a"), arg("b"), arg("threads") = 1,
          R"(One longest common subsequence of a and b, of a's type (bytes for a
memoryview, a list for a sequence other than a list or a tuple).)");
    m.def("routine", &routine, arg("name"), arg("a"), arg("b"),
          R"(Runs one classic routine of the collection by name on two bytes-like
strings: the LCS length (an int), or for SmithWaterman_Alg the local
alignment score (a float). These routines are not interruptible: Ctrl-C is
raised only once the routine returns. MemoryError where the routine's
working storage would not fit in the machine's memory.)");
    m.def("routines", &routines, "The names of the classic routines, in the collection's order.");
    m.def("isa", &lcs::isa, R"(The vector paths this process runs, as "avx512" or "avx2".)");
}
