// The picture stages of one item, called by the worker after mapItem.
#pragma once

struct WorkerContext;

// Downloads the pictures that the description names into the item's own
// folder and points the description at the local files.
void localizeDescriptionPictures(WorkerContext& context);
// Main pictures (item_imgs) and sale-property pictures (prop_imgs) as ".tbi"
// files; both add their entries to item.pictureColumn.
void downloadMainPictures(WorkerContext& context);
void downloadPropertyPictures(WorkerContext& context);
