// Persistent configuration variables. Each variable is a static object that links itself to the
// front of config_var_list when constructed and is never unlinked, so the list runs newest
// first. The host persists all of them together as one configuration block.
#pragma once

#include <cstdint>

#include "base/memory_block.h"
#include "base/utf8_string.h"
#include "entry/host_interface.h"

namespace vorlane {

class ConfigVar;

// Told about every change of a variable it watches. The module itself registers none.
class ConfigObserver {
public:
  virtual void on_changed(const char* name, ConfigVar& variable) = 0;

  ConfigObserver* next = nullptr;
};

class ConfigVar {
public:
  // Writes the stored bytes of the value; true when the variable goes into the block.
  virtual bool save_value(ByteWriter& writer) = 0;
  // Replaces the value from count stored bytes; reads nothing beyond them.
  virtual void load_value(const uint8_t* bytes, uint32_t count) = 0;

  const char* name() const { return name_.text(); }
  ConfigVar* next() const { return next_; }
  void add_observer(ConfigObserver& observer);
  void notify_changed();

protected:
  explicit ConfigVar(const char* name);
  ~ConfigVar() = default;

private:
  HeapString name_;
  ConfigVar* next_;
  ConfigObserver* observers_ = nullptr;
};

// Head of the list of every variable, newest first; null before the first exists.
extern ConfigVar* config_var_list;

class ConfigString final : public ConfigVar {
public:
  ConfigString(const char* name, const char* default_text);

  // Never null; valid until the next change.
  const char* get_text() const { return value_.text(); }
  // Stores a copy of the whole text. When memory runs out the old text stays.
  const char* set_text(const char* text);
  bool is_empty() const { return get_text()[0] == '\0'; }

  bool save_value(ByteWriter& writer) override;
  void load_value(const uint8_t* bytes, uint32_t count) override;

private:
  HeapString value_;
};

class ConfigInt final : public ConfigVar {
public:
  ConfigInt(const char* name, int32_t default_value);

  int32_t get_value() const { return value_; }
  int32_t set_value(int32_t value);

  bool save_value(ByteWriter& writer) override;
  void load_value(const uint8_t* bytes, uint32_t count) override;

private:
  int32_t value_;
};

// A ByteWriter that collects everything in memory, for values whose length must be written
// ahead of them.
class MemoryWriter final : public ByteWriter {
public:
  MemoryWriter() : block_(GrowthPolicy::DoublingKeep) {}
  uint32_t write(const void* bytes, uint32_t count) override;
  // Forgets the bytes but keeps the storage.
  void clear() {
    block_.resize(0);
    complete_ = true;
  }
  const uint8_t* data() const { return block_.data(); }
  uint32_t size() const { return block_.size(); }
  // False once a write could not get its memory.
  bool complete() const { return complete_; }

private:
  MemoryBlock block_;
  bool complete_ = true;
};

// Writes a block holding every variable of config_var_list to writer.
void config_save_all(ByteWriter& writer);
// Applies a block record by record; a record that does not fit ends the parse.
void config_load_all(const void* block, uint32_t size);

// The module's four settings.
namespace settings {
extern ConfigString header;
extern ConfigString footer;
extern ConfigString format;
extern ConfigInt autocrlf;
} // namespace settings

} // namespace vorlane
