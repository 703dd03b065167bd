// Folders by what they are, not by how they are spelled.
#pragma once

#include <string>

namespace torvelt::setup {

// True when both name one existing folder (one volume, one file ID), however each is spelled.
bool sameFolder(const std::wstring& first, const std::wstring& second);

struct MadeFolder {
    std::wstring path;       // canonical: full, long names, as the file system spells them
    std::wstring firstMade;  // the topmost folder created, "" when `path` was there
};
// Creates `folder` and every missing folder above it. RuntimeError when one cannot be made,
// after removing those it made.
MadeFolder makeFolder(const std::wstring& folder);

// Removes `folder` and the folders above it up to `firstMade`, each only while it is empty.
void removeMade(const std::wstring& folder, const std::wstring& firstMade);

}  // namespace torvelt::setup
