// The framework's text and collection classes as the standard types they
// stand for: UTF-16 text, arrays of it, and linked lists.
#pragma once

#include <list>
#include <string>
#include <vector>

using CString = std::u16string;
using CStringArray = std::vector<CString>;
template <class T>
using CList = std::list<T>;
