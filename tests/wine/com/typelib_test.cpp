// The type library embedded in the DLL: what scripting hosts and object browsers see.
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <string>
#include <vector>

#include "addin/registration.h"
#include "addin/win32/guids.h"
#include "platform/utf.h"
#include "platform/win32/text.h"
#include "tests/wine/com/com_server_fixture.h"

namespace tessaly::testing {
namespace {

using win32::Bstr;

std::wstring text(const GUID& guid) {
    wchar_t buffer[40] = {};
    StringFromGUID2(guid, buffer, 40);
    return buffer;
}

// The type's attributes, copied; all zero (and a test failure) when the type refuses them.
TYPEATTR Attributes(ITypeInfo* type) {
    TYPEATTR copy{};
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(type->GetTypeAttr(&attr))) {
        copy = *attr;
        type->ReleaseTypeAttr(attr);
    } else {
        ADD_FAILURE() << "GetTypeAttr failed";
    }
    return copy;
}

class TypeLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, library.put()), S_OK);
    }
    win32::ComPtr<ITypeInfo> info(const GUID& guid) {
        win32::ComPtr<ITypeInfo> result;
        EXPECT_EQ(library->GetTypeInfoOfGuid(guid, result.put()), S_OK)
            << platform::toPrintableUtf8(win32::Utf16View(text(guid)));
        return result;
    }
    static std::wstring name(ITypeInfo* type, MEMBERID id = MEMBERID_NIL) {
        Bstr n;
        type->GetDocumentation(id, n.put(), nullptr, nullptr, nullptr);
        return n.get() ? n.get() : L"";
    }
    win32::ComPtr<ITypeLib> library;
};

TEST_F(TypeLibrary, IsBrindleAddinVersionOne) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, win32::LIBID_BrindleAddin);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attr);
    Bstr libName, doc;
    ASSERT_EQ(library->GetDocumentation(-1, libName.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_STREQ(libName.get(), L"BrindleAddin");
    EXPECT_STREQ(doc.get(), L"Tessaly Outlook Add-In");
}

// guids.h, registration.h and the IDL state the identifiers three times: they must agree.
TEST_F(TypeLibrary, AgreesWithTheRegisteredIdentifiers) {
    EXPECT_EQ(text(win32::CLSID_Tessaly), win32::ToWide(registration::kClsidTessaly));
    EXPECT_EQ(text(win32::LIBID_BrindleAddin), win32::ToWide(registration::kLibId));
}

TEST_F(TypeLibrary, HoldsTheClassesInterfacesAndRecord) {
    struct Case {
        const GUID* guid;
        const wchar_t* name;
        TYPEKIND kind;
    };
    const Case cases[] = {
        {&win32::CLSID_Tessaly, L"Tessaly", TKIND_COCLASS},
        {&win32::CLSID_ExplorerHandler, L"ExplorerHandler", TKIND_COCLASS},
        {&win32::DIID__Tessaly, L"_Tessaly", TKIND_DISPATCH},
        {&win32::DIID__ExplorerHandler, L"_ExplorerHandler", TKIND_DISPATCH},
        {&win32::GUID_PhoneInfo, L"PhoneInfo", TKIND_RECORD},
    };
    for (const auto& c : cases) {
        auto type = info(*c.guid);
        ASSERT_TRUE(type);
        EXPECT_EQ(name(type.get()), c.name);
        EXPECT_EQ(Attributes(type.get()).typekind, c.kind)
            << std::string(c.name, c.name + wcslen(c.name));
    }
}

TEST_F(TypeLibrary, PhoneInfoHasFourStringsInOrder) {
    auto type = info(win32::GUID_PhoneInfo);
    ASSERT_TRUE(type);
    const WORD vars = Attributes(type.get()).cVars;
    const std::vector<std::wstring> expected = {L"sGUID", L"sPath", L"sCmdLineParams",
                                                L"sAdditionalValue"};
    ASSERT_EQ(vars, expected.size());
    for (UINT i = 0; i < vars; ++i) {
        VARDESC* var = nullptr;
        ASSERT_EQ(type->GetVarDesc(i, &var), S_OK);
        EXPECT_EQ(name(type.get(), var->memid), expected[i]);
        EXPECT_EQ(var->elemdescVar.tdesc.vt, VT_BSTR);
        type->ReleaseVarDesc(var);
    }
}

struct Function {
    std::wstring name;
    MEMBERID id;
    INVOKEKIND kind;
    SHORT params;
};

std::vector<Function> functions(ITypeInfo* type) {
    std::vector<Function> result;
    const WORD count = Attributes(type).cFuncs;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        if (SUCCEEDED(type->GetFuncDesc(i, &f))) {
            Bstr n;
            type->GetDocumentation(f->memid, n.put(), nullptr, nullptr, nullptr);
            result.push_back({n.get() ? n.get() : L"", f->memid, f->invkind, f->cParams});
            type->ReleaseFuncDesc(f);
        }
    }
    return result;
}

// The interfaces' own members, skipping what a dual interface inherits from IDispatch.
std::vector<Function> ownFunctions(ITypeInfo* type) {
    auto all = functions(type);
    std::vector<Function> own;
    for (auto& f : all) {
        if (f.id >= 0 && f.id < 0x60000000) {
            own.push_back(f);
        } else if (f.id == 0x60030000) {
            own.push_back(f);
        }
    }
    return own;
}

void expectFunctions(const std::vector<Function>& actual, const std::vector<Function>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actual[i].name, expected[i].name);
        EXPECT_EQ(actual[i].id, expected[i].id);
        EXPECT_EQ(actual[i].kind, expected[i].kind);
        EXPECT_EQ(actual[i].params, expected[i].params);
    }
}

// Registering a library writes an Interface key for each automation interface in it, and
// unregistering deletes that key: the host's add-in interface and its enumerations belong to
// another library and must not be in this one.
TEST_F(TypeLibrary, HoldsOnlyItsOwnTypes) {
    std::vector<std::wstring> names;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        Bstr n;
        ASSERT_EQ(
            library->GetDocumentation(static_cast<INT>(i), n.put(), nullptr, nullptr, nullptr),
            S_OK);
        names.emplace_back(n.get());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"ExplorerHandler", L"PhoneInfo", L"Tessaly",
                                                L"_ExplorerHandler", L"_Tessaly"}));
    win32::ComPtr<ITypeInfo> foreign;
    EXPECT_EQ(library->GetTypeInfoOfGuid(win32::IID_IDTExtensibility2, foreign.put()),
              TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibrary, ExplorerHandlerMembersInSlotOrder) {
    auto type = info(win32::DIID__ExplorerHandler);
    ASSERT_TRUE(type);
    expectFunctions(ownFunctions(type.get()), {{L"BusinessNumber", 1, INVOKE_PROPERTYPUT, 1},
                                               {L"MobileNumber", 2, INVOKE_PROPERTYPUT, 1},
                                               {L"HomeNumber", 3, INVOKE_PROPERTYPUT, 1},
                                               {L"Init", 4, INVOKE_FUNC, 2},
                                               {L"Clear", 5, INVOKE_FUNC, 0},
                                               {L"OnExplorerEventTimedOut", 6, INVOKE_FUNC, 0}});
}

// What a parameter's type descriptor names after one level of pointer is taken off for
// passing by reference: "_Tessaly*" for the connect class's dispatch interface, "IDispatch"
// for any object.
std::wstring referencedType(ITypeInfo* owner, const ELEMDESC& param) {
    const TYPEDESC* type = &param.tdesc;
    if (type->vt != VT_PTR) {
        return L"(by value)";
    }
    type = type->lptdesc;
    std::wstring stars;
    while (type->vt == VT_PTR) {
        stars += L'*';
        type = type->lptdesc;
    }
    if (type->vt == VT_DISPATCH) {
        return L"IDispatch" + stars;
    }
    if (type->vt != VT_USERDEFINED) {
        return L"(vt " + std::to_wstring(type->vt) + L")" + stars;
    }
    win32::ComPtr<ITypeInfo> referenced;
    if (FAILED(owner->GetRefTypeInfo(type->hreftype, referenced.put()))) {
        return L"(unresolved)";
    }
    Bstr n;
    referenced->GetDocumentation(MEMBERID_NIL, n.put(), nullptr, nullptr, nullptr);
    return std::wstring(n.get() ? n.get() : L"") + stars;
}

TEST_F(TypeLibrary, InitTakesTheConnectClassAndTheExplorerByReference) {
    auto type = info(win32::DIID__ExplorerHandler);
    ASSERT_TRUE(type);
    const WORD count = Attributes(type.get()).cFuncs;
    bool found = false;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(type->GetFuncDesc(i, &f), S_OK);
        if (f->memid == 4) {
            found = true;
            ASSERT_EQ(f->cParams, 2);
            EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_BOOL);
            EXPECT_EQ(referencedType(type.get(), f->lprgelemdescParam[0]), L"_Tessaly*");
            EXPECT_EQ(referencedType(type.get(), f->lprgelemdescParam[1]), L"IDispatch");
            for (int p = 0; p < 2; ++p) {
                EXPECT_EQ(f->lprgelemdescParam[p].paramdesc.wParamFlags &
                              (PARAMFLAG_FIN | PARAMFLAG_FOUT),
                          PARAMFLAG_FIN | PARAMFLAG_FOUT)
                    << p;
            }
        }
        type->ReleaseFuncDesc(f);
    }
    EXPECT_TRUE(found) << "no Init";
}

TEST_F(TypeLibrary, TessalyPublishesOnExplorerCloseAndIsTheOnlyCreatableClass) {
    auto tessaly = info(win32::DIID__Tessaly);
    ASSERT_TRUE(tessaly);
    expectFunctions(ownFunctions(tessaly.get()),
                    {{L"OnExplorerClose", 0x60030000, INVOKE_FUNC, 1}});

    struct Case {
        const GUID* clsid;
        bool creatable;
        UINT interfaces;
    };
    for (const Case& c :
         {Case{&win32::CLSID_Tessaly, true, 1}, Case{&win32::CLSID_ExplorerHandler, false, 1}}) {
        auto type = info(*c.clsid);
        ASSERT_TRUE(type);
        const TYPEATTR attr = Attributes(type.get());
        EXPECT_EQ((attr.wTypeFlags & TYPEFLAG_FCANCREATE) != 0, c.creatable);
        EXPECT_EQ(attr.cImplTypes, c.interfaces);
    }
}

}  // namespace
}  // namespace tessaly::testing
