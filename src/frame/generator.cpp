// Generator objects for generator methods.
//
// The bound arguments are kept until the first step; the body (a Producer)
// is started then, so its checks and work happen while the host iterates.
// A Producer never sees a value thrown in: like a generator body without a
// try statement, throw() ends the generator and raises the exception, and
// close() just ends it.
#include "frame/generator.h"

#include <new>
#include <stdexcept>
#include <vector>

namespace orb {
namespace {

enum class State : unsigned char { Created, Suspended, Running, Done };

struct GeneratorData {
    Start start = nullptr;
    Ref qualname;
    std::vector<Ref> args;
    std::unique_ptr<Producer> producer;
    State state = State::Created;

    void finish() {
        state = State::Done;
        producer.reset();
        args.clear();
    }
};

struct GeneratorObject {
    PyObject_HEAD
    GeneratorData data;
};

PyTypeObject* type = nullptr;

GeneratorData& data_of(PyObject* self) { return reinterpret_cast<GeneratorObject*>(self)->data; }

// One step: the next value, or null with StopIteration unset when done
// (the iteration protocol's end) or with an exception set.
PyObject* step(PyObject* self, PyObject* sent) {
    GeneratorData& g = data_of(self);
    if (g.state == State::Running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    if (g.state == State::Done) return nullptr;
    if (g.state == State::Created && sent != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started generator");
        return nullptr;
    }
    const State before = g.state;
    g.state = State::Running;
    try {
        if (before == State::Created) {
            if (!g.start)
                raisef(PyExc_NotImplementedError, "%U() is not implemented yet", g.qualname.get());
            std::vector<PyObject*> raw;
            raw.reserve(g.args.size());
            for (const Ref& a : g.args) raw.push_back(a.get());
            g.producer = g.start(Args{raw.data()});
        }
        Ref value = g.producer ? g.producer->next(sent) : Ref();
        if (!value) {
            g.finish();
            return nullptr;
        }
        g.state = State::Suspended;
        return value.release();
    } catch (const PyError&) {
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    }
    g.finish();
    return nullptr;
}

PyObject* gen_iternext(PyObject* self) { return step(self, Py_None); }

PyObject* gen_send(PyObject* self, PyObject* value) {
    PyObject* r = step(self, value);
    if (!r && !PyErr_Occurred()) PyErr_SetNone(PyExc_StopIteration);
    return r;
}

PyObject* gen_throw(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 1 || nargs > 3) {
        PyErr_Format(PyExc_TypeError, "throw expected at least 1 argument, got %zd", nargs);
        return nullptr;
    }
    GeneratorData& g = data_of(self);
    if (g.state == State::Running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    PyObject* typ = args[0];
    PyObject* val = nargs > 1 ? args[1] : Py_None;
    PyObject* tb = nargs > 2 ? args[2] : Py_None;
    if (tb != Py_None && !PyTraceBack_Check(tb)) {
        PyErr_SetString(PyExc_TypeError, "throw() third argument must be a traceback object");
        return nullptr;
    }
    g.finish();
    if (PyExceptionClass_Check(typ)) {
        PyErr_SetObject(typ, val);
    } else if (PyExceptionInstance_Check(typ)) {
        if (val != Py_None) {
            PyErr_SetString(PyExc_TypeError, "instance exception may not have a separate value");
            return nullptr;
        }
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(typ)), typ);
    } else {
        PyErr_Format(PyExc_TypeError,
                     "exceptions must be classes or instances deriving from BaseException, not %s",
                     Py_TYPE(typ)->tp_name);
        return nullptr;
    }
    if (tb != Py_None) {
        PyObject* exc = PyErr_GetRaisedException();
        PyException_SetTraceback(exc, tb);
        PyErr_SetRaisedException(exc);
    }
    return nullptr;
}

PyObject* gen_close(PyObject* self, PyObject*) {
    GeneratorData& g = data_of(self);
    if (g.state == State::Running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    g.finish();
    Py_RETURN_NONE;
}

PyObject* gen_repr(PyObject* self) {
    return PyUnicode_FromFormat("<generator object %U at %p>", data_of(self).qualname.get(), self);
}

PyObject* gen_get_name(PyObject* self, void*) {
    return Ref(data_of(self).qualname).release();
}

void gen_dealloc(PyObject* self) {
    PyTypeObject* tp = Py_TYPE(self);
    reinterpret_cast<GeneratorObject*>(self)->data.~GeneratorData();
    tp->tp_free(self);
    Py_DECREF(tp);
}

PyMethodDef gen_methods[] = {
    {"send", gen_send, METH_O, "send(value) -> the next yielded value or StopIteration."},
    {"throw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(gen_throw)),
     METH_FASTCALL, "throw(value) -> raise the exception and end the generator."},
    {"close", gen_close, METH_NOARGS, "close() -> end the generator."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef gen_getset[] = {
    {"__qualname__", gen_get_name, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot gen_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(gen_dealloc)},
    {Py_tp_iter, reinterpret_cast<void*>(PyObject_SelfIter)},
    {Py_tp_iternext, reinterpret_cast<void*>(gen_iternext)},
    {Py_tp_methods, gen_methods},
    {Py_tp_getset, gen_getset},
    {Py_tp_repr, reinterpret_cast<void*>(gen_repr)},
    {0, nullptr},
};

PyType_Spec gen_spec = {
    "models.orbalt.generator",
    sizeof(GeneratorObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    gen_slots,
};

}  // namespace

PyTypeObject* generator_type() {
    if (!type) {
        type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&gen_spec));
        if (!type) throw PyError{};
    }
    return type;
}

Ref make_generator(Start start, PyObject* qualname, PyObject* const* bound, Py_ssize_t n) {
    Ref obj = Ref::steal(PyType_GenericAlloc(generator_type(), 0));
    auto* g = reinterpret_cast<GeneratorObject*>(obj.get());
    new (&g->data) GeneratorData();
    g->data.start = start;
    g->data.qualname = Ref::borrow(qualname);
    g->data.args.reserve(static_cast<size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i) g->data.args.push_back(Ref::borrow(bound[i]));
    return obj;
}

}  // namespace orb
