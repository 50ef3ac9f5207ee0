// Applies a parsed registry script to the registry.
//
// Registration creates every key and value; a ForceRemove key is deleted with
// everything below it first. Unregistration deletes the named values and the
// keys the script describes, deepest first; NoRemove keys are only walked
// through, ForceRemove keys go with everything below them, and any other key
// is kept when something not described by the script is still below it.
// Keys that are already gone count as removed.
#pragma once
#include "RegistryScript.h"

namespace regscript {

enum class Mode { Register, Unregister };

// Stops at the first registry failure and returns it as an HRESULT.
// `redirect`, when set, stands in for every root key (tests use a scratch key).
HRESULT Apply(const Script& script, Mode mode, HKEY redirect = nullptr);

// Parses the REGISTRY resource `id` of `module` with `variables` and applies it to
// the current user's classes (HKCU\Software\Classes): its roots must be HKCR.
// A missing resource or a script that does not parse gives E_FAIL-class codes.
HRESULT RunResourceScript(HMODULE module, UINT id, const Variables& variables, Mode mode);

}  // namespace regscript
