#pragma once

namespace tolvane {

class RegistryApi;
struct ListingFields;

// Reads the options the window stored (filter, recursion, comment, listing file) into
// `fields`, by the rules the window reads them with, absent values taking the window's
// defaults. The key is only opened, never created: when it does not exist, `fields` keep
// what they hold. A store that cannot be read raises a RaisedError.
void readStoredOptions(RegistryApi& registry, ListingFields& fields);

}  // namespace tolvane
