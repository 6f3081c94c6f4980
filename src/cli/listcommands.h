#pragma once
// quillmere-cli browse HOST | search TEXT [--wait SECONDS] [--json]: the entries
// received, one a line, until the answer is over.
struct CliArgs;

int BrowseCommand(const CliArgs &args);
int SearchCommand(const CliArgs &args);
