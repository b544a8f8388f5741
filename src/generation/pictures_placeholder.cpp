// Stand-ins until the picture stages exist; they leave the record unchanged
// apart from emptying the picture column, which the main-picture stage owns.
#include "generation/pictures.h"

#include "generation/worker_context.h"

void localizeDescriptionPictures(WorkerContext&) {}
void downloadMainPictures(WorkerContext& context) { context.item.pictureColumn.clear(); }
void downloadPropertyPictures(WorkerContext&) {}
