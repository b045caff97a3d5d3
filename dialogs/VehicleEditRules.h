#pragma once

#include <string>

namespace corvane {

// The texts of the vehicle editor, kept apart from the widgets.
//
// Threads: any. Throws: never but std::bad_alloc.

// Characters the name and the two information boxes accept.
inline constexpr int vehicleTextLimit = 32;

// The path with every backslash turned into a forward slash, the form the
// page uses for picture addresses.
std::string slashPath(std::string path);

// What is stored as a vehicle's picture path for the editor's text: the text
// when it names an existing file, otherwise the empty path. A path the file
// system cannot answer for (missing folder, a directory, no permission) is
// traced and stored empty as well.
std::string storedImagePath(const std::string& text);

// As above, except that the path the editor opened with is kept unchecked: a
// picture on a share that is away for the moment must not be forgotten by an
// OK that did not touch it.
std::string storedImagePath(const std::string& text, const std::string& opened);

} // namespace corvane
