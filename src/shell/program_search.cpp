// Finding the PostScript viewer and the text editor on PATH.
#include "shell/program_search.hpp"

#include <unistd.h>

#include <cstdlib>

#include "system/process.hpp"

namespace kavro::shell {
namespace {

struct DesktopEditor {
  std::string program;
  std::vector<std::string> options;  // keep the program running until its window closes
};

const std::vector<DesktopEditor>& desktop_editors() {
  static const std::vector<DesktopEditor> editors = {
      {"gedit", {"--wait"}}, {"kate", {"--block"}}, {"kwrite", {}},
      {"mousepad", {"--disable-server"}}, {"leafpad", {}}};
  return editors;
}

std::vector<std::string> split_words(std::string_view text) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while ((pos = text.find_first_not_of(" \t", pos)) != std::string_view::npos) {
    const auto end = std::min(text.find_first_of(" \t", pos), text.size());
    words.emplace_back(text.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

std::vector<std::string> command_from(const std::optional<std::string>& text,
                                      const Environment& env) {
  if (!text) return {};
  return resolve_command(*text, env).value_or(std::vector<std::string>{});
}

}  // namespace

Environment Environment::current() {
  Environment env;
  for (const char* name : {"PATH", "KAVRO_VIEWER", "KAVRO_EDITOR", "VISUAL", "EDITOR"}) {
    if (const char* value = std::getenv(name)) env.variables[name] = value;
  }
  env.in_terminal = ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1;
  return env;
}

std::optional<std::string> Environment::get(const std::string& name) const {
  const auto it = variables.find(name);
  if (it == variables.end() || it->second.empty()) return std::nullopt;
  return it->second;
}

std::optional<std::filesystem::path> find_program(std::string_view name, const Environment& env) {
  return process::find_on_path(name, env.get("PATH").value_or(""));
}

std::optional<std::vector<std::string>> resolve_command(std::string_view text,
                                                         const Environment& env) {
  if (auto whole = find_program(text, env)) return std::vector<std::string>{whole->string()};
  auto words = split_words(text);
  if (words.empty()) return std::nullopt;
  const auto program = find_program(words.front(), env);
  if (!program) return std::nullopt;
  words.front() = program->string();
  return words;
}

const std::vector<std::string>& common_postscript_viewers() {
  static const std::vector<std::string> viewers = {"gv", "evince", "okular", "zathura", "atril"};
  return viewers;
}

std::string viewer_sought(const Environment& env) {
  if (auto chosen = env.get("KAVRO_VIEWER")) return *chosen;
  const auto& viewers = common_postscript_viewers();
  std::string list;
  for (std::size_t i = 0; i < viewers.size(); ++i) {
    if (i > 0) list += i + 1 == viewers.size() ? " or " : ", ";
    list += viewers[i];
  }
  return list;
}

std::vector<std::string> find_viewer(const Environment& env) {
  if (env.get("KAVRO_VIEWER")) return command_from(env.get("KAVRO_VIEWER"), env);
  for (const auto& viewer : common_postscript_viewers()) {
    if (auto path = find_program(viewer, env)) return {path->string()};
  }
  return {};
}

std::vector<std::string> find_editor(const Environment& env) {
  std::vector<std::string> chosen_by_user = {"KAVRO_EDITOR"};
  if (env.in_terminal) chosen_by_user.insert(chosen_by_user.end(), {"VISUAL", "EDITOR"});
  for (const auto& name : chosen_by_user) {
    if (auto command = command_from(env.get(name), env); !command.empty()) return command;
  }
  for (const auto& editor : desktop_editors()) {
    if (auto path = find_program(editor.program, env)) {
      std::vector<std::string> command{path->string()};
      command.insert(command.end(), editor.options.begin(), editor.options.end());
      return command;
    }
  }
  return {};
}

}  // namespace kavro::shell
