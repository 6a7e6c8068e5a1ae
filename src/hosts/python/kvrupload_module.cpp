// The Python host: what a page's script was to the legacy control. Objects are created by
// ProgID and driven late-bound by name; values cross as Variants; the headless window
// backend's record and scripted user are exposed as kvrupload.ui.
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"
#include "platform/automation/NamedInstances.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"
#include "platform/ui/HeadlessBackend.h"
#include "platform/ui/fltk/FltkBackend.h"

#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <clocale>
#include <limits>
#include <map>

namespace py = pybind11;
using kvr::Object;
using kvr::Variant;

namespace {

struct EmptyType {};
struct NullType {};

// A library object seen from Python.
struct Dispatch {
    std::shared_ptr<Object> object;
};

py::object g_com_error; // kvrupload.ComError

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

[[noreturn]] void raise_python_error_as_com(const std::string& source) {
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
    } catch (py::error_already_set&) {
        PyErr_Clear();
        throw kvr::ComError(kvr::rt::MethodNotSupported, type_name(),
                            kvr::runtime_description(kvr::rt::MethodNotSupported));
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
    } catch (py::error_already_set&) {
        PyErr_Clear();
        throw kvr::ComError(kvr::rt::MethodNotSupported, type_name(),
                            kvr::runtime_description(kvr::rt::MethodNotSupported));
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
    return std::make_shared<PyObjectAdapter>(py::reinterpret_borrow<py::object>(h));
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
        return Variant(h.cast<std::string>());
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
        return py::cast(EmptyType{});
    case kvr::VarType::Null:
        return py::cast(NullType{});
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
        return py::cast(Dispatch{o});
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
py::object dispatch_getattr(const Dispatch& d, const std::string& name) {
    if (name.size() > 1 && name[0] == '_' && name[1] == '_')
        throw py::attribute_error(name);
    const kvr::DispatchTable* table = d.object->dispatch_table();
    const kvr::Member* m = table ? table->find(name) : nullptr;
    if (table && !m)
        throw py::attribute_error(d.object->type_name() + " has no member " + name);
    if (m && m->kind != kvr::MemberKind::Method)
        return to_python(d.object->get(name));
    auto object = d.object;
    return py::cpp_function(
        [object, name](py::args args) { return to_python(object->call(name, to_args(args))); });
}

void dispatch_setattr(const Dispatch& d, const std::string& name, const py::handle& value) {
    d.object->put(name, to_variant(value));
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

    m.doc() = "Python host of the KVRUpload library";

    py::class_<EmptyType>(m, "_EmptyType")
        .def("__repr__", [](const EmptyType&) { return "Empty"; })
        .def("__bool__", [](const EmptyType&) { return false; })
        .def("__eq__", [](const EmptyType&, py::object o) { return py::isinstance<EmptyType>(o); })
        .def("__hash__", [](const EmptyType&) { return 0; });
    py::class_<NullType>(m, "_NullType")
        .def("__repr__", [](const NullType&) { return "Null"; })
        .def("__bool__", [](const NullType&) { return false; })
        .def("__eq__", [](const NullType&, py::object o) { return py::isinstance<NullType>(o); })
        .def("__hash__", [](const NullType&) { return 1; });
    m.attr("Empty") = py::cast(EmptyType{});
    m.attr("Null") = py::cast(NullType{});

    py::dict scope;
    py::exec(R"(
class ComError(Exception):
    """An error raised by the library: full number, source and description."""
    def __init__(self, number, source, description):
        super().__init__(number, source, description)
        self.number = number
        self.source = source
        self.description = description
    def __str__(self):
        return "%d (%s): %s" % (self.number, self.source, self.description)
)",
             py::globals(), scope);
    g_com_error = scope["ComError"];
    g_com_error.attr("__module__") = "kvrupload";
    m.attr("ComError") = g_com_error;

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const kvr::ComError& e) {
            py::object err = g_com_error(e.number(), e.source(), e.description());
            PyErr_SetObject(g_com_error.ptr(), err.ptr());
        }
    });

    py::class_<Dispatch>(m, "Dispatch")
        .def("__getattr__", &dispatch_getattr)
        .def("__setattr__", &dispatch_setattr)
        .def("__dir__", &dispatch_dir)
        .def("__eq__",
             [](const Dispatch& a, py::object b) {
                 return py::isinstance<Dispatch>(b) && b.cast<Dispatch&>().object == a.object;
             })
        .def("__hash__", [](const Dispatch& d) { return std::hash<Object*>()(d.object.get()); })
        .def("__repr__", [](const Dispatch& d) { return "<" + d.object->type_name() + ">"; })
        .def_property_readonly("TypeName", [](const Dispatch& d) { return d.object->type_name(); });

    m.def(
        "CreateObject",
        [](const std::string& progid) { return to_python(Variant(kvr::CreateObject(progid))); },
        py::arg("progid"), "Creates an object by its ProgID (error 429 when none is registered).");
    m.def("register", &register_factory, py::arg("progid"), py::arg("factory"),
          "Makes `factory()` the class factory of `progid` (None: not installed).");
    m.def("unregister", &unregister_factory, py::arg("progid"),
          "Undoes register(): the library's own class comes back, a host's goes.");
    m.def("TypeName", [](py::object o) { return to_variant(o).type_name(); });

    py::class_<InstanceNamespace>(m, "_Instances")
        .def("__getattr__",
             [](const InstanceNamespace& ns, const std::string& name) -> py::object {
                 auto& instances = kvr::NamedInstances::instance();
                 auto entry = instances.find(name);
                 if (entry && entry->kind == ns.kind)
                     return py::cast(Dispatch{entry->get()});
                 // A module's routines are reached by their own names too
                 // (kvrupload.support.GerarLog is modSuporte's GerarLog).
                 if (ns.kind == "module") {
                     for (const auto& module : instances.names("module")) {
                         Dispatch d{instances.find(module)->get()};
                         const kvr::DispatchTable* t = d.object->dispatch_table();
                         if (t && t->find(name))
                             return dispatch_getattr(d, name);
                     }
                 }
                 throw py::attribute_error("no " + ns.kind + " named " + name);
             })
        .def("unload",
             [](const InstanceNamespace& ns, const std::string& name) {
                 auto entry = kvr::NamedInstances::instance().find(name);
                 if (!entry || entry->kind != ns.kind || !entry->unload)
                     throw py::key_error(name);
                 entry->unload();
             })
        .def("__dir__", [](const InstanceNamespace& ns) {
            return kvr::NamedInstances::instance().names(ns.kind);
        });
    m.attr("forms") = py::cast(InstanceNamespace{"form"});
    m.attr("support") = py::cast(InstanceNamespace{"module"});

    auto ui = m.def_submodule("ui", "The headless window backend's record and scripted user");
    ui.def("events", [] {
        py::list out;
        for (const auto& e : headless_or_raise().events())
            out.append(py::make_tuple(e.form, e.control, e.property, to_python(e.value)));
        return out;
    });
    ui.def("clear_events", [] { headless_or_raise().clear_events(); });
    ui.def("dropped_events", [] { return headless_or_raise().dropped_events(); });
    ui.def(
        "queue",
        [](py::tuple action) {
            if (action.size() != 2)
                throw py::value_error("an action is (kind, value)");
            std::string kind = action[0].cast<std::string>();
            kvr::ui::UserAction a;
            if (kind == "click") {
                a.kind = kvr::ui::UserAction::Click;
                a.target = action[1].cast<std::string>();
            } else if (kind == "dialog") {
                a.kind = kvr::ui::UserAction::Dialog;
                if (py::isinstance<py::str>(action[1]))
                    a.answer = action[1].cast<std::string>();
                else if (action[1].is_none() || !action[1].cast<bool>())
                    a.answer = std::nullopt;
                else
                    throw py::value_error("a dialog answer is a path or False");
            } else {
                throw py::value_error("unknown action kind: " + kind);
            }
            headless_or_raise().queue(std::move(a));
        },
        py::arg("action"));
    ui.def(
        "use_gui",
        [] {
            if (!kvr::ui::display_available())
                return false;
            if (!kvr::ui::headless())
                return true;
            kvr::ui::set_backend(kvr::ui::make_fltk_backend());
            return true;
        },
        "Shows real windows when an X display is available; returns whether it is.");
    ui.def(
        "use_headless",
        [] {
            if (!kvr::ui::headless())
                kvr::ui::set_backend(std::make_unique<kvr::ui::HeadlessBackend>());
        },
        "Back to the recorded, scripted windows (the default).");
    ui.def("clear_queue", [] { headless_or_raise().clear_queue(); });
    ui.def("queued", [] { return headless_or_raise().queued(); });
    ui.def(
        "set_screen", [](int w, int h) { headless_or_raise().set_screen(w, h); }, py::arg("width"),
        py::arg("height"), "Screen size in twips.");
}
