// The Python host: what a page's script was to the legacy control. Objects are created by
// ProgID and driven late-bound by name; values cross as Variants; the headless window
// backend's record and scripted user are exposed as kvrupload.ui. As in the legacy runtime,
// each thread has its own windows and settings; calls that wait release the interpreter.
#include "Blocking.h"
#include "PythonLayer.h"
#include "ftp/clsKVRUpload.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"
#include "platform/automation/NamedInstances.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"
#include "platform/sys/InternetErrors.h"
#include "platform/sys/Version.h"
#include "platform/ui/HeadlessBackend.h"

#include <kvrupload/Windows.h>
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <clocale>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <thread>

namespace py = pybind11;
using kvr::Object;
using kvr::Variant;

namespace {

struct EmptyType {};
struct NullType {};

// A library object seen from Python.
struct Dispatch {
    std::shared_ptr<Object> object;
    std::shared_ptr<kvr::python::ObjectLock> lock; // the object's, whichever view calls it

    Dispatch(std::shared_ptr<Object> o)
        : object(std::move(o)), lock(kvr::python::ObjectLock::of(object.get())) {}
    Dispatch(const Dispatch&) = default;
    Dispatch& operator=(const Dispatch&) = default;
    // The last reference lets go without the interpreter lock: an FTP object that goes says
    // goodbye to its server, and the other threads must not wait for that.
    ~Dispatch() {
        if (object && object.use_count() == 1 && PyGILState_Check() && !_Py_IsFinalizing()) {
            py::gil_scoped_release unlocked;
            object.reset();
        }
    }
};

// Held for the life of the process and never released: the interpreter is gone by the time
// static objects are destroyed.
py::object& g_com_error = *new py::object;       // kvrupload.ComError
py::object& g_attribute_error = *new py::object; // kvrupload.ComAttributeError
py::object& g_object_class = *new py::object;    // kvrupload.Object
py::object& g_wrap = *new py::object;            // a library object's view, by its table
py::object& g_empty = *new py::object;           // kvrupload.Empty, the one instance
py::object& g_null = *new py::object;            // kvrupload.Null
py::object& g_fsdecode = *new py::object;        // os.fsdecode

// A Python object seen from the library: a host-supplied component.
class PyObjectAdapter : public Object {
  public:
    explicit PyObjectAdapter(py::object o) : m_object(std::move(o)) {}
    ~PyObjectAdapter() override {
        if (Py_IsInitialized()) {
            py::gil_scoped_acquire gil;
            m_object = py::object();
        } else {
            m_object.release(); // the interpreter is gone: nothing left to release into
        }
    }
    std::string type_name() const override;
    Variant get(std::string_view name) override;
    void put(std::string_view name, const Variant& value) override;
    Variant call(std::string_view name, kvr::VariantArray args) override;
    const py::object& object() const { return m_object; }

  private:
    py::object m_object;
};

Variant to_variant(const py::handle& h);
py::object to_python(const Variant& v);

// Ctrl-C in a host-supplied object (the Python error set) cancels the library's work and
// reaches the library's caller; any other error is left set.
void raise_if_interrupt(const std::string& source) {
    const PyObject* type = PyErr_Occurred();
    const std::string type_name = type ? reinterpret_cast<const PyTypeObject*>(type)->tp_name : "";
    if (kvr::python::keep_interrupt())
        throw kvr::ComError(kvr::code::OperationCancelled, source, type_name);
}

[[noreturn]] void raise_missing_member(const std::string& type_name) {
    raise_if_interrupt(type_name);
    PyErr_Clear();
    throw kvr::ComError(kvr::rt::MethodNotSupported, type_name,
                        kvr::runtime_description(kvr::rt::MethodNotSupported));
}

[[noreturn]] void raise_python_error_as_com(const std::string& source) {
    raise_if_interrupt(source);
    // A Python exception inside a host-supplied object reaches the library as an error.
    py::error_already_set e;
    std::string text = e.what();
    if (py::isinstance(e.value(), g_com_error)) {
        py::object v = e.value();
        throw kvr::ComError(v.attr("number").cast<std::int32_t>(),
                            v.attr("source").cast<std::string>(),
                            v.attr("description").cast<std::string>());
    }
    throw kvr::ComError(kvr::rt::Internal, source, text);
}

std::string PyObjectAdapter::type_name() const {
    py::gil_scoped_acquire gil;
    return py::str(m_object.get_type().attr("__name__")).cast<std::string>();
}

Variant PyObjectAdapter::get(std::string_view name) {
    py::gil_scoped_acquire gil;
    try {
        py::object attr = m_object.attr(std::string(name).c_str());
        if (PyCallable_Check(attr.ptr()))
            return to_variant(attr());
        return to_variant(attr);
    } catch (py::error_already_set& e) {
        e.restore();
        raise_missing_member(type_name());
    }
}

void PyObjectAdapter::put(std::string_view name, const Variant& value) {
    py::gil_scoped_acquire gil;
    try {
        m_object.attr(std::string(name).c_str()) = to_python(value);
    } catch (py::error_already_set& e) {
        e.restore();
        raise_python_error_as_com(type_name());
    }
}

Variant PyObjectAdapter::call(std::string_view name, kvr::VariantArray args) {
    py::gil_scoped_acquire gil;
    py::object fn;
    try {
        fn = m_object.attr(std::string(name).c_str());
    } catch (py::error_already_set& e) {
        e.restore();
        raise_missing_member(type_name());
    }
    // Trailing omitted arguments are simply not passed.
    while (!args.empty() && args.back().is_missing())
        args.pop_back();
    py::tuple pargs(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        pargs[i] = to_python(args[i]);
    try {
        return to_variant(fn(*pargs));
    } catch (py::error_already_set& e) {
        e.restore();
        raise_python_error_as_com(type_name());
    }
}

std::shared_ptr<Object> to_object(const py::handle& h) {
    if (h.is_none())
        return nullptr;
    if (py::isinstance<Dispatch>(h))
        return h.cast<Dispatch&>().object;
    if (py::isinstance(h, g_object_class))
        return h.attr("_d").cast<Dispatch&>().object;
    return std::make_shared<PyObjectAdapter>(py::reinterpret_borrow<py::object>(h));
}

// A text's bytes as to_python gives them back: a name that is not UTF-8 (os.listdir shows its
// bytes as lone surrogates) keeps those bytes.
std::string text_of(const py::handle& text) {
    PyObject* encoded = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape");
    if (!encoded)
        throw py::error_already_set();
    return py::reinterpret_steal<py::bytes>(encoded).cast<std::string>();
}

Variant to_variant(const py::handle& h) {
    if (h.is_none() || py::isinstance<EmptyType>(h))
        return Variant();
    if (py::isinstance<NullType>(h))
        return Variant::null();
    if (py::isinstance<py::bool_>(h))
        return Variant(h.cast<bool>());
    if (py::isinstance<py::int_>(h)) {
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(h.ptr(), &overflow);
        if (overflow || v < std::numeric_limits<std::int32_t>::min() ||
            v > std::numeric_limits<std::int32_t>::max())
            kvr::raise_runtime(kvr::rt::Overflow, "kvrupload");
        return Variant(static_cast<std::int32_t>(v));
    }
    if (py::isinstance<py::float_>(h))
        return Variant(h.cast<double>());
    if (py::isinstance<py::str>(h))
        return Variant(text_of(h));
    // A path object is its path's text, wherever it is passed.
    if (py::hasattr(h, "__fspath__"))
        return Variant(text_of(g_fsdecode(h)));
    if (py::isinstance<py::bytes>(h) || py::isinstance<py::bytearray>(h)) {
        std::string s = py::isinstance<py::bytes>(h)
                            ? h.cast<std::string>()
                            : std::string(PyByteArray_AsString(h.ptr()),
                                          static_cast<std::size_t>(PyByteArray_Size(h.ptr())));
        return Variant(kvr::ByteArray(s.begin(), s.end()));
    }
    if (py::isinstance<py::list>(h) || py::isinstance<py::tuple>(h)) {
        kvr::VariantArray a;
        for (auto item : h)
            a.push_back(to_variant(item));
        return Variant(std::move(a));
    }
    return Variant(to_object(h));
}

py::object to_python(const Variant& v) {
    switch (v.type()) {
    case kvr::VarType::Empty:
    case kvr::VarType::Missing:
        return g_empty;
    case kvr::VarType::Null:
        return g_null;
    case kvr::VarType::Boolean:
        return py::bool_(v.to_bool());
    case kvr::VarType::Integer:
    case kvr::VarType::Long:
        return py::int_(v.to_long());
    case kvr::VarType::Single:
    case kvr::VarType::Double:
    case kvr::VarType::Date:
        return py::float_(v.number());
    case kvr::VarType::String: {
        const std::string& s = v.as_string();
        PyObject* o =
            PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
        if (!o)
            throw py::error_already_set();
        return py::reinterpret_steal<py::object>(o);
    }
    case kvr::VarType::ByteArray: {
        const auto& b = v.as_bytes();
        return py::bytes(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case kvr::VarType::Array: {
        py::list l;
        for (const auto& item : v.as_array())
            l.append(to_python(item));
        return l;
    }
    case kvr::VarType::Object: {
        auto o = v.as_object();
        if (!o)
            return py::none();
        if (auto* adapter = dynamic_cast<PyObjectAdapter*>(o.get()))
            return adapter->object();
        return g_wrap(Dispatch{o});
    }
    }
    return py::none();
}

kvr::VariantArray to_args(const py::args& args) {
    kvr::VariantArray a;
    for (auto item : args)
        a.push_back(to_variant(item));
    return a;
}

// A member of a library object: properties read at once, methods returned as callables.
py::object dispatch_member(const Dispatch& d, const std::string& name) {
    const kvr::DispatchTable* table = d.object->dispatch_table();
    const kvr::Member* m = table ? table->find(name) : nullptr;
    if (table && !m)
        throw kvr::ComError(kvr::rt::MethodNotSupported, d.object->type_name(),
                            d.object->type_name() + " has no member " + name);
    auto object = d.object;
    auto lock = d.lock;
    if (m && m->kind != kvr::MemberKind::Method)
        return to_python(kvr::python::call_released([&] { return object->get(name); }, lock.get()));
    return py::cpp_function([object, lock, name](py::args args) {
        kvr::VariantArray a = to_args(args);
        return to_python(kvr::python::call_released(
            [&] { return object->call(name, std::move(a)); }, lock.get()));
    });
}

// (type name, members) for the class a library object is seen through; members are None
// for an object without a dispatch table.
py::tuple dispatch_table_of(const Dispatch& d) {
    const kvr::DispatchTable* t = d.object->dispatch_table();
    if (!t)
        return py::make_tuple(d.object->type_name(), py::none());
    py::list members;
    for (const auto& m : t->members) {
        const char* kind = m.kind == kvr::MemberKind::Method     ? "method"
                           : m.kind == kvr::MemberKind::Property ? "property"
                                                                 : "get";
        py::list params;
        for (const auto& p : m.params)
            params.append(py::make_tuple(p.name, p.optional,
                                         p.default_value ? to_python(*p.default_value) : g_empty));
        members.append(py::make_tuple(m.name, kind, m.dispid, params));
    }
    return py::make_tuple(t->class_name, members);
}

py::list dispatch_dir(const Dispatch& d) {
    py::list names;
    if (const kvr::DispatchTable* t = d.object->dispatch_table())
        for (const auto& m : t->members)
            names.append(m.name);
    return names;
}

// Host registrations: register() replaces a factory and remembers what it replaced, so that
// unregister() puts the library's own back; register(progid, None) makes it "not installed".
std::map<std::string, std::optional<kvr::ClassInfo>> g_replaced;

void register_factory(const std::string& progid, py::object factory) {
    auto& registry = kvr::ClassRegistry::instance();
    if (!g_replaced.count(progid))
        g_replaced[progid] = registry.find_progid(progid);
    kvr::ClassInfo info;
    info.progid = progid;
    if (auto old = registry.find_progid(progid))
        info.clsid = old->clsid;
    if (factory.is_none()) {
        info.factory = [] { return std::shared_ptr<Object>(); };
    } else {
        auto holder = std::make_shared<py::object>(factory);
        info.factory = [holder]() -> std::shared_ptr<Object> {
            py::gil_scoped_acquire gil;
            try {
                return to_object((*holder)());
            } catch (py::error_already_set& e) {
                e.restore();
                raise_python_error_as_com("kvrupload");
            }
        };
    }
    registry.add(std::move(info));
}

void unregister_factory(const std::string& progid) {
    auto& registry = kvr::ClassRegistry::instance();
    auto it = g_replaced.find(progid);
    if (it == g_replaced.end()) {
        registry.remove(progid);
        return;
    }
    if (it->second)
        registry.add(*it->second);
    else
        registry.remove(progid);
    g_replaced.erase(it);
}

// kvrupload.forms / kvrupload.support: the library's named instances of one kind.
struct InstanceNamespace {
    std::string kind;
};

// The arguments of the ui helpers, refused in the helpers' own words.
std::string text_argument(const py::handle& value, const std::string& what) {
    if (!py::isinstance<py::str>(value))
        throw py::type_error(what + " is a str, not " +
                             py::str(value.get_type().attr("__name__")).cast<std::string>());
    return text_of(value);
}

int int_argument(const py::handle& value, long long least, const std::string& what) {
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value))
        throw py::type_error(what + " is an int, not " +
                             py::str(value.get_type().attr("__name__")).cast<std::string>());
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow || v < least || v > std::numeric_limits<int>::max())
        throw py::value_error(what + " is from " + std::to_string(least) + " to " +
                              std::to_string(std::numeric_limits<int>::max()) + ", not " +
                              py::str(value).cast<std::string>());
    return static_cast<int>(v);
}

kvr::ui::HeadlessBackend& headless_or_raise() {
    auto* h = kvr::ui::headless();
    if (!h)
        throw std::runtime_error("the current window backend is not the headless one");
    return *h;
}

} // namespace

PYBIND11_MODULE(kvrupload, m) {
    // The host decides the locale; the library follows it (codesets, separators).
    std::setlocale(LC_ALL, "");
    kvr::python::note_main_thread();

    m.doc() = "Python host of the KVRUpload library: its control, FTP class and windows.";
    m.attr("__version__") = KVRUPLOAD_VERSION;

    // Empty and Null are singletons: `value is kvrupload.Empty` holds for every value read.
    py::class_<EmptyType>(m, "_EmptyType", "The type of kvrupload.Empty, an unset value.")
        .def("__repr__", [](const EmptyType&) { return "Empty"; })
        .def("__bool__", [](const EmptyType&) { return false; })
        .def("__eq__", [](const EmptyType&, py::object o) { return py::isinstance<EmptyType>(o); })
        .def("__hash__", [](const EmptyType&) { return 0; });
    py::class_<NullType>(m, "_NullType", "The type of kvrupload.Null, no valid data.")
        .def("__repr__", [](const NullType&) { return "Null"; })
        .def("__bool__", [](const NullType&) { return false; })
        .def("__eq__", [](const NullType&, py::object o) { return py::isinstance<NullType>(o); })
        .def("__hash__", [](const NullType&) { return 1; });
    g_empty = py::cast(EmptyType{});
    g_null = py::cast(NullType{});
    m.attr("Empty") = g_empty;
    m.attr("Null") = g_null;
    g_fsdecode = py::module_::import("os").attr("fsdecode");

    py::class_<Dispatch>(m, "_Dispatch", "The library's side of a kvrupload.Object.")
        .def("_member", &dispatch_member)
        .def("_get",
             [](const Dispatch& d, const std::string& name) {
                 auto o = d.object;
                 return to_python(
                     kvr::python::call_released([&] { return o->get(name); }, d.lock.get()));
             })
        .def("_put",
             [](const Dispatch& d, const std::string& name, const py::handle& value) {
                 Variant v = to_variant(value);
                 auto o = d.object;
                 kvr::python::call_released(
                     [&] {
                         o->put(name, v);
                         return Variant();
                     },
                     d.lock.get());
             })
        .def("_call",
             [](const Dispatch& d, const std::string& name, const py::tuple& args) {
                 kvr::VariantArray a;
                 for (auto item : args)
                     a.push_back(to_variant(item));
                 auto o = d.object;
                 return to_python(kvr::python::call_released(
                     [&] { return o->call(name, std::move(a)); }, d.lock.get()));
             })
        .def("_names", &dispatch_dir)
        .def("_table", &dispatch_table_of)
        .def("__eq__",
             [](const Dispatch& a, py::object b) {
                 return py::isinstance<Dispatch>(b) && b.cast<Dispatch&>().object == a.object;
             })
        .def("__hash__", [](const Dispatch& d) { return std::hash<Object*>()(d.object.get()); })
        .def_property_readonly("TypeName", [](const Dispatch& d) { return d.object->type_name(); });

    py::dict layer;
    layer["__name__"] = "kvrupload";
    layer["__builtins__"] = py::module_::import("builtins");
    py::exec(kvr::python::kPythonLayer, layer);
    for (const char* name : {"ComError", "ComAttributeError", "Object", "FileTransferType"})
        m.attr(name) = layer[name];
    g_com_error = layer["ComError"];
    g_attribute_error = layer["ComAttributeError"];
    g_object_class = layer["Object"];
    g_wrap = layer["_wrap"];

    // The FTP class's enumerations, by name as the type library publishes them; errors
    // carry their full numbers, as raised and as written in result texts.
    py::list errors;
    for (const auto& e : kvr::kErrFtpErrors)
        errors.append(
            py::make_tuple(e.name, kvr::ftp_error(static_cast<kvr::errFtpErrors>(e.value))));
    py::object int_enum = py::module_::import("enum").attr("IntEnum");
    m.attr("errFtpErrors") = int_enum("errFtpErrors", errors, py::arg("module") = "kvrupload");
    for (const char* name : {"FileTransferType", "errFtpErrors"})
        for (auto item : m.attr(name))
            m.attr(item.attr("name")) = item;

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const kvr::ComError& e) {
            // A member the object does not have is also an AttributeError.
            const py::object& type =
                e.number() == kvr::rt::MethodNotSupported ? g_attribute_error : g_com_error;
            py::object err = type(e.number(), e.source(), e.description());
            PyErr_SetObject(type.ptr(), err.ptr());
        }
    });

    m.def(
        "CreateObject",
        [](const std::string& progid) {
            // A host's factory may be interrupted as any host code the library calls.
            return to_python(
                kvr::python::call_released([&] { return Variant(kvr::CreateObject(progid)); }));
        },
        py::arg("progid"), "Creates an object by its ProgID (error 429 when none is registered).");
    m.def("register", &register_factory, py::arg("progid"), py::arg("factory"),
          "Makes `factory()` the class factory of `progid` (None: not installed).");
    m.def("unregister", &unregister_factory, py::arg("progid"),
          "Undoes register(): the library's own class comes back, a host's goes.");
    m.def(
        "TypeName", [](py::object o) { return to_variant(o).type_name(); }, py::arg("value"),
        "The runtime's type name of `value` as the library sees it (\"String\", \"Null\", ...).");

    py::class_<InstanceNamespace>(m, "_Instances")
        .def("__getattr__",
             [](const InstanceNamespace& ns, const std::string& name) -> py::object {
                 auto& instances = kvr::NamedInstances::instance();
                 auto entry = instances.find(name);
                 if (entry && entry->kind == ns.kind)
                     return to_python(Variant(entry->get()));
                 // A module's routines are reached by their own names too
                 // (kvrupload.support.GerarLog is modSuporte's GerarLog).
                 if (ns.kind == "module") {
                     for (const auto& module : instances.names("module")) {
                         Dispatch d{instances.find(module)->get()};
                         const kvr::DispatchTable* t = d.object->dispatch_table();
                         if (t && t->find(name))
                             return dispatch_member(d, name);
                     }
                 }
                 throw py::attribute_error("no " + ns.kind + " named " + name);
             })
        .def("unload",
             [](const InstanceNamespace& ns, const std::string& name) {
                 auto entry = kvr::NamedInstances::instance().find(name);
                 if (!entry || entry->kind != ns.kind || !entry->unload)
                     throw py::key_error(name);
                 // Unloading the FTP window disconnects: a wait like any other.
                 kvr::python::call_released([&] {
                     entry->unload();
                     return Variant();
                 });
             })
        .def("__dir__", [](const InstanceNamespace& ns) {
            return kvr::NamedInstances::instance().names(ns.kind);
        });
    m.attr("forms") = py::cast(InstanceNamespace{"form"});
    m.attr("support") = py::cast(InstanceNamespace{"module"});

    auto ui = m.def_submodule("ui", "The headless window backend's record and scripted user");
    ui.def(
        "events",
        [] {
            py::list out;
            for (const auto& e : headless_or_raise().events())
                out.append(py::make_tuple(e.form, e.control, e.property, to_python(e.value)));
            return out;
        },
        "This thread's record: (form, control, property, value) for every change, newest last.");
    ui.def(
        "clear_events", [] { headless_or_raise().clear_events(); },
        "Empties this thread's record.");
    ui.def(
        "dropped_events", [] { return headless_or_raise().dropped_events(); },
        "How many of the oldest events the bounded record has let go since it was cleared.");
    ui.def(
        "queue",
        [](py::tuple action) {
            if (action.size() < 2)
                throw py::value_error("an action is (kind, target[, value])");
            const std::string kind = text_argument(action[0], "an action's kind");
            const std::string target_is = "a " + kind + " action's target";
            kvr::ui::UserAction a;
            auto arity = [&](std::size_t n) {
                if (action.size() != n)
                    throw py::value_error("a " + kind + " action has " + std::to_string(n) +
                                          " elements");
            };
            if (kind == "click" || kind == "close") {
                arity(2);
                a.kind = kind == "click" ? kvr::ui::UserAction::Click : kvr::ui::UserAction::Close;
                a.target = text_argument(action[1], target_is);
            } else if (kind == "text") {
                arity(3);
                a.kind = kvr::ui::UserAction::Text;
                a.target = text_argument(action[1], target_is);
                a.answer = text_argument(action[2], "a text action's text");
            } else if (kind == "select") {
                arity(3);
                a.kind = kvr::ui::UserAction::Select;
                a.target = text_argument(action[1], target_is);
                a.index = int_argument(action[2], -1, "a select action's index");
            } else if (kind == "dialog") {
                arity(2);
                a.kind = kvr::ui::UserAction::Dialog;
                if (py::isinstance<py::str>(action[1]) || py::hasattr(action[1], "__fspath__"))
                    a.answer = text_of(g_fsdecode(action[1]));
                else if (action[1].is_none() || !action[1].cast<bool>())
                    a.answer = std::nullopt;
                else
                    throw py::value_error("a dialog answer is a path or False");
            } else {
                throw py::value_error("unknown action kind: " + kind);
            }
            headless_or_raise().queue(std::move(a));
        },
        py::arg("action"),
        R"(Queues what this thread's user does next, performed once its target can be reached:
("click", "form.control") presses a button; ("text", "form.box", text) types a text box's
whole text; ("select", "form.list", index) chooses a list entry (its click); ("close", "form")
closes a window with its title bar's X; ("dialog", path) answers the next Open or Save As
dialog with a path (str or os.PathLike), ("dialog", False) cancels it.)");
    ui.def(
        "use_gui",
        [] {
            // The window toolkit keeps its state for the whole process: one thread owns it.
            static std::optional<std::thread::id> owner;
            if (owner && *owner != std::this_thread::get_id())
                throw py::value_error("real windows are already shown by another thread; "
                                      "this thread stays headless");
            std::string why;
            if (!kvrupload::use_gui(&why)) {
                if (!why.empty())
                    std::cerr << "kvrupload: " << why << "; windows stay headless" << std::endl;
                return false;
            }
            owner = std::this_thread::get_id();
            return true;
        },
        R"(Shows this thread's windows and dialogs on the X display named by DISPLAY.

Returns True when real windows are in use, False when no display answers (the thread
stays headless; a display that refuses the connection, or a missing window module, is
reported on stderr and never ends the process). Only one thread of a process can show real
windows; another thread asking raises ValueError. Without it, every thread is headless:
windows are recorded (kvrupload.ui.events()), a wait for the user's close button is ended
by pressing it, and a dialog needs an answer queued with
kvrupload.ui.queue(('dialog', path_or_False)) -- one nobody can answer raises ComError.)");
    ui.def(
        "use_headless", [] { kvrupload::use_headless(); },
        "Back to the recorded, scripted windows (the default).");
    ui.def(
        "clear_queue", [] { headless_or_raise().clear_queue(); },
        "Drops this thread's queued user actions.");
    ui.def(
        "queued", [] { return headless_or_raise().queued(); },
        "How many user actions are still queued on this thread.");
    ui.def(
        "set_screen",
        [](py::object w, py::object h) {
            headless_or_raise().set_screen(int_argument(w, 1, "the screen's width"),
                                           int_argument(h, 1, "the screen's height"));
        },
        py::arg("width"), py::arg("height"), "Screen size in twips.");
}
