// The title an internet stream carries in its tags, read at its start and on every tag change.
#pragma once
#include <cstdint>
#include <string>

// True when the stream has tags of that kind (with or without a title).
bool ReadTitleOfKind(uint32_t handle, uint32_t kind, std::string& title);
// code -1: the read at stream start; otherwise the event code of the tag change.
bool ReadStreamTitle(uint32_t handle, int32_t code, std::string& title);

// The parsers, on the raw tag texts.
std::string TitleFromMeta(const std::string& meta);
// entries: zero-terminated "KEY=value" texts, ended by an empty one.
bool TitleFromEntries(const char* entries, std::string& title);
