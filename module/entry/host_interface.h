// The interfaces at the boundary between the module and the tessaly host, in slot order. Both
// sides are built from this header by the same compiler family, so the vtable layouts match.
// Interfaces hold only pure virtual operations and no virtual destructor: objects are destroyed
// by their owner through the owner's own type (services through release). Where the host's
// interface has operations of its own between two that the module calls, they are declared here
// too, so the module relies on no adjacency that is not promised.
#pragma once

#include <cstdint>

#include "base/pointer_list.h"
#include "entry/guid.h"
#include "platform/string_sink.h"
#include "platform/win32.h"

namespace vorlane {

class Utf8String;

// The first three operations of every service object, on both sides of the boundary.
class HostService {
public:
  // Gives one reference back; returns the references left.
  virtual int32_t release() = 0;
  // Takes one more reference; returns the new count.
  virtual int32_t add_ref() = 0;
  // A further interface of the object, or null. Both of the module's services answer null.
  virtual HostService* query(const Guid* class_id) = 0;
};

// The host, as handed to tessaly_get_interface.
class HostApi {
public:
  // A new reference to the service of class_id at index, or null after the last index. Indexes
  // 0, 1, 2 ... reach every service of a class in turn.
  virtual HostService* get_service(const Guid* class_id, uint32_t index) = 0;
  // The host's own: how many services of the class are registered.
  virtual uint32_t service_count(const Guid* class_id) = 0;
};

// A byte sink the host persists a configuration block through. Lives for one call.
class ByteWriter {
public:
  // Consumes count bytes. The module ignores the result.
  virtual uint32_t write(const void* bytes, uint32_t count) = 0;
};

// Length information of a track. Owned by its TrackHandle, valid between begin_info and end_info.
class TrackInfo {
public:
  virtual double length_seconds() const = 0;
  // The host's own: a metadata field ("title", ...) or null.
  virtual const char* field(const char* name) const = 0;
};

// One playlist entry, a reference that its receiver gives back (through HandleService).
class TrackHandle : public HostService {
public:
  // The track's information, or null when it has none. The module passes 0.
  virtual const TrackInfo* get_info(uint32_t flags) = 0;
  // The host's own: the entry's location as the playlist writes it.
  virtual const char* location() = 0;
  // Opens the information for reading; every begin_info is followed by one end_info.
  virtual void begin_info() = 0;
  // The host's own: the entry's 0-based index in its playlist.
  virtual uint32_t index() = 0;
  virtual void end_info() = 0;
};

// {8cc36fd2-9bc6-46b9-a748-1568de4cd602}
class PlaylistService : public HostService {
public:
  virtual int32_t entry_count() = 0;
  // The host's own: the index of the entry being played, or -1.
  virtual int32_t playing_index() = 0;
  // Formats entry `index` with `format` into out. extra_items is a list of name=value pairs,
  // each NUL-terminated, ending in an empty item (two NULs in a row); they are available to the
  // format as variables. The result is not examined.
  virtual bool format_title(int32_t index, StringSink* out, const char* format,
                            const char* extra_items) = 0;
  // The host's own: the playlist's name into out.
  virtual void playlist_name(StringSink* out) = 0;
  // Inserts at the end of list one new TrackHandle reference for each entry that mask selects, in
  // playlist order. The receiver owns them.
  virtual void get_entries(PointerList* list, const SelectionMask* mask) = 0;
};

// {609d48c8-c6a6-4784-8bbd-fdd32bf0740e}
class HandleService : public HostService {
public:
  // Gives back the count handles that handles points to.
  virtual void release_handles(TrackHandle* const* handles, uint32_t count) = 0;
};

// {056b51c7-e78c-4a4e-b84e-6bff3f8ab8f2}
class MessageService : public HostService {
public:
  // Shows a message to the user; level 3 is an error. source names who sent it.
  virtual void post_message(int32_t level, const char* text, const char* source) = 0;
};

// A file made by a FileSystemService. Created unopened; released when done, or discarded when
// its open failed.
class HostFile : public HostService {
public:
  // The host's own: the size of the open file in bytes.
  virtual uint64_t size() = 0;
  // mode 1 opens for reading, 3 for writing (emptying the file). True when open.
  virtual bool open(const char* path, int32_t mode) = 0;
  // Bytes placed in buffer.
  virtual uint32_t read(void* buffer, uint32_t count) = 0;
  // Bytes written.
  virtual uint32_t write(const void* buffer, uint32_t count) = 0;
  // The host's own: true when every write so far reached the file.
  virtual bool flush() = 0;
  // Instead of release, on a file whose open failed; the object is gone afterwards.
  virtual void discard() = 0;
};

// {2fbce1e5-902e-49e0-b9cf-ce0fba765348}
class FileSystemService : public HostService {
public:
  // Non-zero when this service put the form of path to use into out; zero when the path is none
  // of its business.
  virtual int32_t canonical_path(const char* path, StringSink* out) = 0;
  // Non-zero when this service handles path.
  virtual int32_t accepts_path(const char* path) = 0;
  // The host's own: non-zero when path names an existing file.
  virtual int32_t exists(const char* path) = 0;
  // A new, unopened file for path, or null.
  virtual HostFile* create_file(const char* path) = 0;
};

// Telvane's output format class {67f3f73c-7033-4347-96fb-a4c6d6aafd22}, served by the module.
// Telvane drives one object from one thread at a time.
class OutputFormat : public HostService {
public:
  // Assigns the format's name to sink; returns the sink's text.
  virtual const char* get_name(StringSink* sink) = 0;
  virtual bool get_description(StringSink* sink) = 0;
  // Assigns the file dialog filter ("Name|pattern"); returns the sink's text.
  virtual const char* get_file_filter(StringSink* sink) = 0;
  // Assigns the format string of each entry; false when it is empty.
  virtual bool get_entry_format(StringSink* sink) = 0;
  // Replace sink's content with the header / footer text.
  virtual bool get_header(StringSink* sink) = 0;
  virtual bool get_footer(StringSink* sink) = 0;
  // Final touch on one formatted entry, in place. The entry is Telvane's string, on Telvane's
  // heap: the module reads it and changes it only through its StringSink operations. index and
  // reserved are not used by the module.
  virtual void process_entry(Utf8String* entry, uint32_t index, const void* reserved) = 0;
};

// The host's preferences page class {7255e8d0-3fcf-4781-b93b-d06cb88dfafa}.
class PreferencesPageService : public HostService {
public:
  // Creates the page window as a child of parent; null when that failed. The host destroys it.
  virtual HWND create_window(HWND parent) = 0;
  // Static texts: the page's name and the name of the page it is listed under.
  virtual const char* page_name() = 0;
  virtual const char* parent_page_name() = 0;
};

// One node of the module's factory list. The host calls create and reads next and class_id
// from the node's fields, so the fields and their order are part of the contract.
class ServiceFactory {
public:
  // A new reference to a service of class_id, or null.
  virtual HostService* create() = 0;

  ServiceFactory* next;
  Guid class_id;

protected:
  ServiceFactory(const Guid& id, ServiceFactory*& list_head) : next(list_head), class_id(id) {
    list_head = this;
  }
};

// What tessaly_get_interface returns; the host talks to the module through it.
class ComponentClient {
public:
  virtual int32_t version() = 0;
  // Head of the factory list; never null.
  virtual ServiceFactory* factory_list() = 0;
  // Writes the module's configuration block into the host's writer.
  virtual void save_config(ByteWriter* writer) = 0;
  // Applies a stored configuration block.
  virtual void load_config(const void* data, uint32_t size) = 0;
  virtual void reserved_hook() = 0;
  // Two texts from the host; the second accompanies every error message the module posts.
  virtual void set_host_texts(const char* first, const char* source) = 0;
  virtual void set_host_flag(uint8_t flag) = 0;
};

inline constexpr int32_t kInterfaceVersion = 35;

// The one export, unadorned, cdecl.
using GetInterfaceFunction = ComponentClient* (*)(HostApi* host, HINSTANCE module);
inline constexpr const char* kEntryFunctionName = "tessaly_get_interface";

} // namespace vorlane
