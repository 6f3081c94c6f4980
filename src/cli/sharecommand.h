#pragma once
// quillmere-cli share list | add PATH [--comment TEXT] [--password TEXT] | remove PATH
struct CliArgs;

int ShareCommand(const CliArgs &args);
