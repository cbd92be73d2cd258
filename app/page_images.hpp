// PNG and PDF images of a PostScript page, made by Ghostscript beside it.
#pragma once

#include <filesystem>
#include <vector>

#include "plot/ghostscript.hpp"

namespace kavro::app {

// PAGE with the extension of the image.
std::filesystem::path image_path(const std::filesystem::path& page, PageImage kind);

// Converts the page into each image and names each one made; returns false
// (with the reason on stderr) when a conversion was asked for and failed.
bool convert_page_images(const std::filesystem::path& page, const std::vector<PageImage>& images);

}  // namespace kavro::app
