#pragma once
// quillmere-cli get HOST REMOTE_PATH [--to DIR] [--overwrite]: one file, resumed by default.
struct CliArgs;

int GetCommand(const CliArgs &args);
