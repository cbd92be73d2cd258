// Where the physics puts what it has to say beside its values: a note (a fact
// about the calculation worth reading) or a warning (a value the program cannot
// use, usually right before the run stops). The physics computes and hands the
// text over; the caller decides where it goes. A listing prints each text as it
// comes, in the listing's own layout; a caller without a listing drops them or
// collects them.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace kavro {

enum class NoteKind { note, warning };

class Notes {
 public:
  // Takes the kind and the text, which holds the lines as the listing prints
  // them (with their empty lines before and the end of the last line).
  using Sink = std::function<void(NoteKind, std::string_view)>;

  // Drops every text.
  Notes() = default;
  explicit Notes(Sink sink) : sink_(std::move(sink)) {}
  // Prints every text into a listing as it comes (so that every function that
  // writes into a listing can be given the listing itself).
  Notes(std::ostream& listing);  // NOLINT(google-explicit-constructor)

  // Whether the texts go anywhere: a caller may skip making a long text nobody reads.
  bool listening() const { return static_cast<bool>(sink_); }

  void note(std::string_view text) const { tell(NoteKind::note, text); }
  void warning(std::string_view text) const { tell(NoteKind::warning, text); }
  void tell(NoteKind kind, std::string_view text) const {
    if (sink_ && !text.empty()) sink_(kind, text);
  }

 private:
  Sink sink_;
};

// Prints only the warnings into `listing`: the stop messages, for a caller
// that prepares again and again (a map's levels) and shows no listing.
Notes warnings_only(std::ostream& listing);

// The lines of `text` without their leading blanks, joined on one line: a
// message that was written for the listing, as an exception or a caller tells it.
std::string one_line(std::string_view text);

}  // namespace kavro
