// CObject and runtime classes: a class record per class (name, base, creation function) so that
// code can ask an object for its class (IsKindOf) and create objects by class record, as the
// document template does for its document, frame and view.
//
// DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC give a class its record; DECLARE_DYNCREATE /
// IMPLEMENT_DYNCREATE also give it a creation function (the class needs a default constructor).
#pragma once

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class, or nullptr when the class cannot be created dynamically.
    CObject* CreateObject() const;
    // TRUE when this class is `base` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* cls) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                                    \
public:                                                                                                                \
    static const CRuntimeClass class##class_name;                                                                      \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                                                  \
    DECLARE_DYNAMIC(class_name)                                                                                        \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(class_name, base_name, create)                                                         \
    const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), create,    \
                                                         RUNTIME_CLASS(base_name)};                                    \
    const CRuntimeClass* class_name::GetRuntimeClass() const                                                           \
    {                                                                                                                  \
        return RUNTIME_CLASS(class_name);                                                                              \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_name) IMPLEMENT_RUNTIMECLASS_(class_name, base_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_name)                                                                     \
    CObject* class_name::CreateObject()                                                                                \
    {                                                                                                                  \
        return new class_name;                                                                                         \
    }                                                                                                                  \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_name, class_name::CreateObject)
