// Bytes the process holds in allocated heap blocks, for tests that check a long run for leaks.
#pragma once

long long heap_in_use();
