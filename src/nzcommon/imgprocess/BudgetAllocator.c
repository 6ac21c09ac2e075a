#include "nzcommon/imgprocess/BudgetAllocator.h"

#include <stdint.h>
#include <stdlib.h>

/* Each block's size sits in front of it, in a header that keeps the block aligned. */
#define VELMORA_HEADER_BYTES \
  ((sizeof(size_t) + _Alignof(max_align_t) - 1) / _Alignof(max_align_t) * _Alignof(max_align_t))

static _Thread_local struct {
  int open;
  size_t budget;
  size_t held;
  size_t peak;
} velmora_budget;

void velmora_budget_open(size_t budget) {
  velmora_budget.open = 1;
  velmora_budget.budget = budget;
  velmora_budget.held = 0;
  velmora_budget.peak = 0;
}

size_t velmora_budget_close(void) {
  velmora_budget.open = 0;
  return velmora_budget.peak;
}

static size_t *velmora_header_of(void *block) {
  return (size_t *)((unsigned char *)block - VELMORA_HEADER_BYTES);
}

/* Takes `size` bytes in place of a block of `returned` bytes (0: a new block); `header` is that
 * block's header or null. Null when the budget or the system refuses. */
static void *velmora_take(size_t *header, size_t returned, size_t size) {
  if (size > SIZE_MAX - VELMORA_HEADER_BYTES) return NULL;
  if (velmora_budget.open && size > velmora_budget.budget - (velmora_budget.held - returned)) {
    return NULL;
  }
  header = (size_t *)realloc(header, size + VELMORA_HEADER_BYTES);
  if (header == NULL) return NULL;
  *header = size;
  if (velmora_budget.open) {
    velmora_budget.held = velmora_budget.held - returned + size;
    if (velmora_budget.held > velmora_budget.peak) velmora_budget.peak = velmora_budget.held;
  }
  return (unsigned char *)header + VELMORA_HEADER_BYTES;
}

void *velmora_budget_malloc(size_t size) {
  return velmora_take(NULL, 0, size);
}

void *velmora_budget_realloc(void *block, size_t size) {
  if (block == NULL) return velmora_take(NULL, 0, size);
  return velmora_take(velmora_header_of(block), *velmora_header_of(block), size);
}

void velmora_budget_free(void *block) {
  if (block == NULL) return;
  if (velmora_budget.open) velmora_budget.held -= *velmora_header_of(block);
  free(velmora_header_of(block));
}
