// The engine's fixed names: its registry key and application name (which also name its data
// folder), and the named mutex that keeps a second process from running the engine at once.
#pragma once

inline constexpr wchar_t kEngineRegistryKey[] = L"Carrowfold Technology";
inline constexpr wchar_t kEngineAppName[] = L"Carrowfold Engine Express 5";
inline constexpr wchar_t kEngineAppMutexName[] = L"Carrowfold 5 App Mutex";
// The string of the engine's string table that holds its application name.
inline constexpr unsigned kEngineAppNameStringId = 19;
