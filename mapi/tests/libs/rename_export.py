# Renames one export of a linked shared object in place. The new name must
# have the old name's length and GNU hash, so the hash table stays valid.
import sys

path, old, new = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
data = open(path, "rb").read()
if old not in data or len(old) != len(new):
    sys.exit("rename_export: cannot rename %s in %s" % (old, path))
open(path, "wb").write(data.replace(old, new))
