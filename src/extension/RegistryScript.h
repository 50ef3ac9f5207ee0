// Registry scripts: the small text language in which the extension describes its
// registry entries. Parsing is pure; Registrar.h applies a parsed script.
//
//   HKCR
//   {
//       NoRemove CLSID                          (never deleted on unregistration)
//       {
//           ForceRemove {guid} = s 'text'       (deleted first on registration)
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Tokens are separated by white space; 'quoted' tokens may hold spaces and
// write a quote as ''. %NAME% is replaced by a variable's value (%% is a
// percent sign) inside each token, after the token has been cut, so values
// with spaces or quotes cannot change the structure.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>

namespace regscript {

enum class Removal { Normal, NoRemove, ForceRemove };

struct Value {
    std::wstring name;
    std::wstring data;   // REG_SZ
};

struct Key {
    Removal removal = Removal::Normal;
    std::wstring name;
    bool hasDefault = false;
    std::wstring defaultData;   // REG_SZ default value when hasDefault
    std::vector<Value> values;
    std::vector<Key> subkeys;
};

struct RootKey {
    HKEY root = nullptr;   // one of the predefined keys
    std::wstring rootName; // as written
    std::vector<Key> keys;
};

struct Script {
    std::vector<RootKey> roots;
};

using Variables = std::map<std::wstring, std::wstring>;

struct ParseResult {
    bool ok = false;
    std::wstring error;   // what and where, when !ok
    Script script;
};

ParseResult Parse(const std::wstring& text, const Variables& variables);

// The predefined key named by HKCR, HKEY_CLASSES_ROOT, HKCU, ... (case-insensitive); null if none.
HKEY RootFromName(const std::wstring& name);

// Script text from a resource: UTF-8 (optional BOM) or UTF-16LE with BOM.
std::wstring TextFromBytes(const void* data, size_t size);

}  // namespace regscript
