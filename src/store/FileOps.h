// File operations on paths, outside any database: the workspace folders and the moves of
// table files between folders. Failures throw StoreError with a Spanish description.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arbelio::store {

struct FileEntry {
  std::string name;  // file name with extension
  std::string path;  // full path
};

bool folderExists(const std::string& path);
// Creates the folder (and missing parents). Throws when it cannot (read-only parent...).
void createFolder(const std::string& path);
bool fileExists(const std::string& path);
// Saves a copy of source as target for the user, replacing what is there. The copy is written
// whole beside the old file, forced to disk and renamed over it, so a failure (a full disk, a
// read-only folder, the process killed) leaves the old file as it was, and a failure reported
// here leaves no temporary file behind. A file of the same name in another letter case is
// removed only once the copy is in place. Throws StoreError saying what could not be saved,
// where and why. Every "save for the user" goes through this (or replaceFileContents).
// The target is always a copy of the bytes (moved inside the system), never a second name of
// the source, so nothing done later to a workspace table can reach the user's file.
void replaceFile(const std::string& source, const std::string& target);
// The same for several files at once (source, target): every copy is first made whole beside
// its target, and only when all are whole do they replace the old files, so a failure of any
// (a full disk) leaves every old file as it was and no temporary file behind. The copies are
// made two at a time; a failure reported is that of the first pair in the list that failed.
// `SegundoNombre` is for sources that nothing writes and that are deleted right after (the
// results of an arbelio-batch run in its temporary workspace): each copy is then a second name
// of its source where the file system allows one (no bytes copied, forced to disk all the
// same), a copy of the bytes elsewhere.
enum class ModoCopia { Bytes, SegundoNombre };
// Copies source to target, replacing target. Source unchanged. Goes through a temporary file
// so an interrupted copy never leaves a half-written target. A .dbf copy carries the table's
// index sidecar. A table open in this process is written out first. The bytes move inside the
// system (a shared copy where the file system makes one, else an in-kernel copy).
// `SegundoNombre` makes the target a second name of the source where the file system allows
// one: for a source nothing writes in place (this store only ever replaces a file by a rename,
// which leaves the other name on the old bytes), brought into the workspace to be read.
void copyFile(const std::string& source, const std::string& target,
              ModoCopia modo = ModoCopia::Bytes);
void replaceFiles(const std::vector<std::pair<std::string, std::string>>& copias,
                  ModoCopia modo = ModoCopia::Bytes);
// The same for bytes the program makes (a CSV file, a comment file).
void replaceFileContents(const std::string& target, std::string_view bytes);
// Renames a file in place. A .dbf rename carries the table's index sidecar (when it has one).
void renameFile(const std::string& oldPath, const std::string& newPath);
// Deletes one file. Fails (error 70) while the file is a table open in this process, or when
// the system refuses. A .dbf delete also removes its index sidecar.
void deleteFile(const std::string& path);
// The files (not sub-folders) of a folder, sorted by name.
std::vector<FileEntry> listFiles(const std::string& folder);

// Takes the workspace lock of a folder for the rest of the process: an advisory lock (flock)
// on its file ".arbelio-en-uso", which the system releases when the process ends, however it
// ends. True when this process holds it (now or from before), false when another process
// does. A folder whose lock file cannot be created (a read-only folder) is not locked.
// Locks held on folders that no longer exist are released on the next call.
bool lockFolderForProcess(const std::string& folder);
inline constexpr const char* kLockFileName = ".arbelio-en-uso";

// Folders of the program's own scratch work (the workspace: BDTemp, BDOut, BDCorte), which the
// next start empties: their files are written without forcing them to disk (no fsync), since
// nothing the user keeps depends on them surviving a crash. Every file written elsewhere (a
// save for the user) is forced to disk before it replaces the old one.
void markScratchFolder(const std::string& folder);
bool inScratchFolder(const std::string& path);

// Finds an existing file in a folder whatever the letter case of its name ("Piesma47.dbf",
// "PIESMA47.DBF"...). Returns the full path, or "" when there is none.
std::string findFileNoCase(const std::string& folder, const std::string& fileName);

}  // namespace arbelio::store
