#pragma once
// quillmere-cli peers [--wait SECONDS] [--json]: the computers heard.
struct CliArgs;

int PeersCommand(const CliArgs &args);
