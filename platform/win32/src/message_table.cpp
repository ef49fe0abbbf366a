#include "message_table.h"

#include "win32/errors.h"

namespace win32 {

namespace {

struct Message {
  DWORD code;
  const char16_t* text;
};

// Win32 codes. Texts end with a line break, as system texts do.
constexpr Message kWin32Messages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
    {ERROR_INVALID_FUNCTION, u"Incorrect function.\r\n"},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file because too many files are open.\r\n"},
    {ERROR_ACCESS_DENIED, u"Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, u"The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough memory is available to process this command.\r\n"},
    {ERROR_BAD_FORMAT, u"An attempt was made to load a program with an incorrect format.\r\n"},
    {ERROR_INVALID_DATA, u"The data is invalid.\r\n"},
    {ERROR_OUTOFMEMORY, u"Not enough memory is available to complete this operation.\r\n"},
    {ERROR_NOT_SAME_DEVICE, u"The system cannot move the file to a different disk drive.\r\n"},
    {ERROR_NO_MORE_FILES, u"There are no more files.\r\n"},
    {ERROR_WRITE_PROTECT, u"The media is write protected.\r\n"},
    {ERROR_SHARING_VIOLATION, u"The process cannot access the file because another process is using it.\r\n"},
    {ERROR_LOCK_VIOLATION, u"The process cannot access the file because another process has locked part of it.\r\n"},
    {ERROR_HANDLE_EOF, u"Reached the end of the file.\r\n"},
    {ERROR_HANDLE_DISK_FULL, u"The disk is full.\r\n"},
    {ERROR_NOT_SUPPORTED, u"The request is not supported.\r\n"},
    {ERROR_FILE_EXISTS, u"The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect.\r\n"},
    {ERROR_BROKEN_PIPE, u"The pipe has been ended.\r\n"},
    {ERROR_DISK_FULL, u"There is not enough space on the disk.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, u"The file name, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_MOD_NOT_FOUND, u"The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, u"The specified procedure could not be found.\r\n"},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty.\r\n"},
    {ERROR_BAD_PATHNAME, u"The specified path is invalid.\r\n"},
    {ERROR_BUSY, u"The requested resource is in use.\r\n"},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, u"The file is not a valid application for this system.\r\n"},
    {ERROR_ENVVAR_NOT_FOUND, u"The system could not find the environment option that was entered.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, u"The file name or extension is too long.\r\n"},
    {ERROR_MORE_DATA, u"More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS, u"No more data is available.\r\n"},
    {ERROR_DIRECTORY, u"The directory name is invalid.\r\n"},
    {ERROR_MR_MID_NOT_FOUND, u"The system cannot find message text for the message number.\r\n"},
    {ERROR_OPERATION_ABORTED, u"The I/O operation has been aborted because of a thread exit or an application request.\r\n"},
    {ERROR_INVALID_FLAGS, u"Invalid flags.\r\n"},
    {ERROR_BADDB, u"The configuration registry database is corrupt.\r\n"},
    {ERROR_BADKEY, u"The configuration registry key is invalid.\r\n"},
    {ERROR_CANTOPEN, u"The configuration registry key could not be opened.\r\n"},
    {ERROR_CANTREAD, u"The configuration registry key could not be read.\r\n"},
    {ERROR_CANTWRITE, u"The configuration registry key could not be written.\r\n"},
    {ERROR_REGISTRY_CORRUPT, u"The registry is damaged and could not be read.\r\n"},
    {ERROR_KEY_DELETED, u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {ERROR_NO_UNICODE_TRANSLATION, u"No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {ERROR_DLL_INIT_FAILED, u"A dynamic link library (DLL) initialization routine failed.\r\n"},
    {ERROR_NOT_FOUND, u"Element not found.\r\n"},
    {ERROR_CANCELLED, u"The operation was canceled by the user.\r\n"},
    {ERROR_NETWORK_UNREACHABLE, u"The network location cannot be reached.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle.\r\n"},
    {ERROR_INVALID_THREAD_ID, u"Invalid thread identifier.\r\n"},
    {ERROR_TIMEOUT, u"This operation returned because the timeout period expired.\r\n"},
    {1815, u"The specified resource language ID cannot be found in the image file.\r\n"},
};

// COM, automation and structured-storage HRESULTs. MAPI's own codes of
// FACILITY_ITF have no system text; the OLE codes that share that facility do.
constexpr Message kComMessages[] = {
    {0x80004001, u"Not implemented.\r\n"},                                  // E_NOTIMPL
    {0x80004002, u"No such interface supported.\r\n"},                      // E_NOINTERFACE
    {0x80004003, u"Invalid pointer.\r\n"},                                  // E_POINTER
    {0x80004004, u"Operation aborted.\r\n"},                                // E_ABORT
    {0x80004005, u"Unspecified error.\r\n"},                                // E_FAIL
    {0x8000FFFF, u"Catastrophic failure.\r\n"},                             // E_UNEXPECTED
    {0x80010106, u"Cannot change thread mode after it is set.\r\n"},        // RPC_E_CHANGED_MODE
    {0x80020003, u"Member not found.\r\n"},                                 // DISP_E_MEMBERNOTFOUND
    {0x80020004, u"Parameter not found.\r\n"},                              // DISP_E_PARAMNOTFOUND
    {0x80020005, u"Type mismatch.\r\n"},                                    // DISP_E_TYPEMISMATCH
    {0x80020006, u"Unknown name.\r\n"},                                     // DISP_E_UNKNOWNNAME
    {0x80020008, u"Bad variable type.\r\n"},                                // DISP_E_BADVARTYPE
    {0x80020009, u"Exception occurred.\r\n"},                               // DISP_E_EXCEPTION
    {0x8002000A, u"Out of present range.\r\n"},                             // DISP_E_OVERFLOW
    {0x8002000B, u"Invalid index.\r\n"},                                    // DISP_E_BADINDEX
    {0x8002000E, u"Invalid number of parameters.\r\n"},                     // DISP_E_BADPARAMCOUNT
    {0x8002000F, u"Parameter not optional.\r\n"},                           // DISP_E_PARAMNOTOPTIONAL
    {0x80030001, u"Unable to perform requested operation.\r\n"},            // STG_E_INVALIDFUNCTION
    {0x80030002, u"The storage file could not be found.\r\n"},              // STG_E_FILENOTFOUND
    {0x80030005, u"Access Denied.\r\n"},                                    // STG_E_ACCESSDENIED
    {0x80030008, u"There is insufficient memory available to complete operation.\r\n"},  // STG_E_INSUFFICIENTMEMORY
    {0x80030009, u"Invalid pointer error.\r\n"},                            // STG_E_INVALIDPOINTER
    {0x8003001D, u"A disk error occurred during a write operation.\r\n"},   // STG_E_WRITEFAULT
    {0x8003001E, u"A disk error occurred during a read operation.\r\n"},    // STG_E_READFAULT
    {0x80030020, u"A share violation has occurred.\r\n"},                   // STG_E_SHAREVIOLATION
    {0x80030050, u"The storage file already exists.\r\n"},                  // STG_E_FILEALREADYEXISTS
    {0x80030057, u"Invalid parameter error.\r\n"},                          // STG_E_INVALIDPARAMETER
    {0x80030070, u"There is insufficient disk space to complete operation.\r\n"},  // STG_E_MEDIUMFULL
    {0x800300FB, u"The file is not a valid compound file.\r\n"},            // STG_E_INVALIDHEADER
    {0x800300FC, u"The storage name is not valid.\r\n"},                    // STG_E_INVALIDNAME
    {0x80040110, u"Class does not support aggregation (or class object is remote).\r\n"},  // CLASS_E_NOAGGREGATION
    {0x80040111, u"ClassFactory cannot supply requested class.\r\n"},       // CLASS_E_CLASSNOTAVAILABLE
    {0x80040150, u"Could not read key from registry.\r\n"},                 // REGDB_E_READREGDB
    {0x80040154, u"Class not registered.\r\n"},                             // REGDB_E_CLASSNOTREG
    {0x800401F0, u"CoInitialize has not been called.\r\n"},                 // CO_E_NOTINITIALIZED
    {0x800401F3, u"Invalid class string.\r\n"},                             // CO_E_CLASSSTRING
    {0x800401F8, u"DLL for class not found.\r\n"},                          // CO_E_DLLNOTFOUND
    {0x800401F9, u"Error in the DLL.\r\n"},                                 // CO_E_ERRORINDLL
};

template <std::size_t N>
const char16_t* Find(const Message (&table)[N], DWORD code) {
  for (const Message& m : table)
    if (m.code == code) return m.text;
  return nullptr;
}

constexpr DWORD kWin32Facility = 0x80070000;

}  // namespace

const char16_t* FindSystemMessage(DWORD code) {
  if ((code & 0xFFFF0000) == kWin32Facility) return Find(kWin32Messages, code & 0xFFFF);
  if (const char16_t* text = Find(kWin32Messages, code)) return text;
  return Find(kComMessages, code);
}

}  // namespace win32
