// One item's column texts, as the worker fills them from the API answer.
#pragma once

#include <string>

// Fields in the order in which mapItem fills them.
struct ItemRecord {
  std::string itemId;          // column 3 of the list row
  std::string title;           // cleaned
  std::string cid;
  std::string seller_cids;
  std::string state;           // location/state
  std::string city;            // location/city
  std::string price;           // after the price adjustment
  std::string num;
  std::string valid_thru;
  std::string freight_payer;   // freight code
  std::string ems_fee;
  std::string express_fee;
  std::string post_fee;
  std::string list_time;
  std::string props;           // with its closing ";"
  std::string modified;
  std::string approve_status;  // status code
  std::string has_warranty;    // "1" or "0"
  std::string skuColumn;       // sale-property combinations
  std::string input_pids;
  std::string input_str;
  std::string outer_id;
  std::string property_alias;  // with ";" appended
  std::string desc;            // cleaned; picture addresses rewritten by the description stage
  std::string pictureColumn;   // filled by the item-picture stages
};
