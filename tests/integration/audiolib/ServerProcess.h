// Starts a helper process, reads the "KEY value" lines it prints until "READY", and stops it.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class ServerProcess {
 public:
  bool Start(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(fds[1]);
    FILE* out = fdopen(fds[0], "r");
    char line[256];
    while (out && fgets(line, sizeof line, out)) {
      std::string s(line);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      if (s == "READY") break;
      auto sp = s.find(' ');
      if (sp != std::string::npos) values_[s.substr(0, sp)] = s.substr(sp + 1);
    }
    out_ = out;
    return values_.count("PORT") > 0;
  }
  std::string Value(const std::string& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? "" : it->second;
  }
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int st;
      waitpid(pid_, &st, 0);
      pid_ = -1;
    }
    if (out_) {
      fclose(out_);
      out_ = nullptr;
    }
  }
  ~ServerProcess() { Stop(); }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  std::map<std::string, std::string> values_;
};
