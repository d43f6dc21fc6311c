#pragma once
// Runs a program as a process and keeps what it wrote to standard output and
// standard error apart, with its exit status.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct TProcessResult {
  std::string Out;
  std::string Err;
  int Status = -1;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a shell command line and keeps its standard output and exit status.
inline TProcessResult RunShellLine(const std::string& command) {
  TProcessResult r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.Out.append(buffer, n);
  const int status = ::pclose(pipe);
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// The command line is given as separate arguments; prefix is put before it
// as it stands (e.g. "LC_ALL=C").
inline TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& prefix = "LC_ALL=C") {
  static int serial = 0;
  const std::filesystem::path err = std::filesystem::temp_directory_path() /
                                    ("helixor-stderr-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
  std::string command = prefix + " " + ShellQuote(program);
  for (const std::string& a : args) command += " " + ShellQuote(a);
  command += " </dev/null 2>" + ShellQuote(err.string());
  TProcessResult r = RunShellLine(command);
  r.Err = ReadWholeFile(err);
  std::filesystem::remove(err);
  return r;
}

// A fresh folder for one test's files, removed with it.
class TScratchFolder {
 public:
  explicit TScratchFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TScratchFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};
