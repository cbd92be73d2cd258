// Images of a page.
#include "page_images.hpp"

#include <iostream>

namespace kavro::app {

std::filesystem::path image_path(const std::filesystem::path& page, PageImage kind) {
  std::filesystem::path image = page;
  image.replace_extension(kind == PageImage::png ? ".png" : ".pdf");
  return image;
}

bool convert_page_images(const std::filesystem::path& page, const std::vector<PageImage>& images) {
  bool all_converted = true;
  for (const PageImage kind : images) {
    const std::filesystem::path image = image_path(page, kind);
    const GhostscriptResult result = convert_page(page, image, kind);
    if (result.status == GhostscriptResult::Status::converted) {
      std::cout << (kind == PageImage::png ? "PNG image:       " : "PDF file:        ") << image.string() << "\n";
      continue;
    }
    all_converted = false;
    if (result.status == GhostscriptResult::Status::not_installed)
      std::cerr << "kavro99: Ghostscript (gs) is not installed; the page stays PostScript only\n";
    else
      std::cerr << "kavro99: Ghostscript could not convert " << page.string() << ": " << result.reason << "\n"
                << result.messages;
  }
  return all_converted;
}

}  // namespace kavro::app
