#pragma once
// quillmere-cli serve: a full peer without windows, until SIGTERM or SIGINT.
int ServeCommand();
