/* The allocator the image decoder runs on: while a budget is open on a thread, the blocks taken
 * on that thread count against it, and one that would take what is held past the budget is
 * refused (null), which fails the decode there. Outside a budget it allocates as malloc does. A
 * budget counts the blocks that are freed while it is open as given back: the decoder frees,
 * while it runs, only blocks it took while it ran. */
#ifndef VELMORA_NZCOMMON_IMGPROCESS_BUDGETALLOCATOR_H
#define VELMORA_NZCOMMON_IMGPROCESS_BUDGETALLOCATOR_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a budget of `budget` bytes on this thread, nothing held. */
void velmora_budget_open(size_t budget);
/* Closes it; the most that was held at once. */
size_t velmora_budget_close(void);

void *velmora_budget_malloc(size_t size);
void *velmora_budget_realloc(void *block, size_t size);
void velmora_budget_free(void *block);

#ifdef __cplusplus
}
#endif

#endif
