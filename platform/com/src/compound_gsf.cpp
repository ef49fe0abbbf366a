// Reading and writing compound file bytes through libgsf.
// Our headers come first: glib defines TRUE and FALSE as macros.
#include "compound_tree.h"
#include "win32/text.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace com {
namespace {

struct GObjectUnref {
  void operator()(void* p) const {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GRef = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
  void operator()(GError* e) const {
    if (e) g_error_free(e);
  }
};

void InitGsf() {
  static std::once_flag once;
  std::call_once(once, [] { gsf_init(); });
}

// Nested storages deeper than this are taken as a damaged directory.
constexpr int kMaxDepth = 64;

bool WriteChildren(GsfOutfile* out, const Node& dir) {
  for (const auto& child : dir.children) {
    const std::string name = win32::Utf16ToUtf8(child->name);
    GRef<GsfOutput> sub(gsf_outfile_new_child(out, name.c_str(), child->storage));
    if (!sub) return false;
    bool ok = true;
    if (child->storage) {
      BYTE id[16];
      ClassIdToBytes(child->clsid, id);
      ok = gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(sub.get()), id) &&
           WriteChildren(GSF_OUTFILE(sub.get()), *child);
    } else if (!child->data->empty()) {
      ok = gsf_output_write(sub.get(), child->data->size(), child->data->data());
    }
    // Each child is closed before the next one is opened.
    ok = gsf_output_close(sub.get()) && ok;
    if (!ok) return false;
  }
  return true;
}

bool ReadStream(GsfInput* in, Bytes* out) {
  const gsf_off_t size = gsf_input_size(in);
  if (size < 0) return false;
  out->resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < out->size()) {
    size_t n = std::min<size_t>(out->size() - done, 1 << 20);
    if (!gsf_input_read(in, n, out->data() + done)) return false;
    done += n;
  }
  return true;
}

bool ReadChildren(GsfInfile* in, Node* dir, int depth) {
  if (depth > kMaxDepth) return false;
  const int count = gsf_infile_num_children(in);
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(in, i);
    GRef<GsfInput> sub(gsf_infile_child_by_index(in, i));
    if (!name || !sub) return false;
    auto node = std::make_shared<Node>();
    node->name = win32::Utf8ToUtf16(name);
    GsfInfile* subDir = GSF_IS_INFILE(sub.get()) ? GSF_INFILE(sub.get()) : nullptr;
    node->storage = subDir && gsf_infile_num_children(subDir) >= 0;
    if (node->storage) {
      BYTE id[16] = {};
      if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(subDir), id)) node->clsid = ClassIdFromBytes(id);
      if (!ReadChildren(subDir, node.get(), depth + 1)) return false;
    } else if (!ReadStream(sub.get(), node->data.get())) {
      return false;
    }
    dir->children.push_back(std::move(node));
  }
  return true;
}

}  // namespace

HRESULT SerializeTree(const Node& root, Bytes* out) {
  InitGsf();
  GRef<GsfOutput> sink(gsf_output_memory_new());
  if (!sink) return STG_E_INSUFFICIENTMEMORY;
  bool ok;
  {
    GRef<GsfOutfile> file(gsf_outfile_msole_new(sink.get()));
    if (!file) return STG_E_INSUFFICIENTMEMORY;
    BYTE id[16];
    ClassIdToBytes(root.clsid, id);
    ok = gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(file.get()), id) && WriteChildren(file.get(), root);
    ok = gsf_output_close(GSF_OUTPUT(file.get())) && ok;
  }
  if (!ok) return STG_E_WRITEFAULT;
  const gsf_off_t size = gsf_output_size(sink.get());
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  if (size < 0 || (size > 0 && !bytes)) return STG_E_WRITEFAULT;
  out->assign(bytes, bytes + size);
  return S_OK;
}

HRESULT ParseTree(const Bytes& in, std::shared_ptr<Node>* root) {
  InitGsf();
  GRef<GsfInput> source(gsf_input_memory_new(in.data(), static_cast<gsf_off_t>(in.size()), FALSE));
  if (!source) return STG_E_INSUFFICIENTMEMORY;
  GError* raw = nullptr;
  GRef<GsfInfile> file(gsf_infile_msole_new(source.get(), &raw));
  std::unique_ptr<GError, GErrorFree> err(raw);
  if (!file) return STG_E_FILEALREADYEXISTS;
  auto tree = std::make_shared<Node>();
  tree->storage = true;
  BYTE id[16] = {};
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(file.get()), id)) tree->clsid = ClassIdFromBytes(id);
  if (!ReadChildren(file.get(), tree.get(), 0)) return STG_E_DOCFILECORRUPT;
  *root = std::move(tree);
  return S_OK;
}

}  // namespace com
