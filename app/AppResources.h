#pragma once
// SCAFFOLD: replaced by the resources branch.
namespace q417 { inline void InitAppResources() {} }
