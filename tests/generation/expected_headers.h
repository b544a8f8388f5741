// The header lines that the seller program's import expects, written out here
// independently of the package writer.
#pragma once

#include <string>

namespace {

// The two header forms of the seller program, as its import expects them.
const std::string kHeader4 =
    "宝贝名称,宝贝类目,店铺类目,新旧程度,省,城市,出售方式,宝贝价格,加价幅度,宝贝数量,有效期,运费承担,平邮,EMS,快递,"
    "付款方式,支付宝,发票,保修,自动重发,放入仓库,橱窗推荐,开始时间,心情故事,宝贝描述,宝贝图片,宝贝属性,团购价,"
    "最小团购件数,邮费模版ID,会员打折,修改时间,上传状态,图片状态,返点比例,新图片,视频,销售属性组合,用户输入ID串,"
    "用户输入名-值对,商家编码,销售属性别名,代充类型,宝贝编号,数字ID,宝贝链接 \r\n";
const std::string kHeader5 =
    "version 1.00" + std::string(43, ',') + "\r\n" +
    "title,cid,seller_cids,stuff_status,location_state,location_city,item_type,price,auction_increment,num,valid_thru,"
    "freight_payer,post_fee,ems_fee,express_fee,has_invoice,has_warranty,approve_status,has_showcase,list_time,"
    "description,cateProps,postage_id,has_discount,modified,upload_fail_msg,picture_status,auction_point,picture,video,"
    "skuProps,inputPids,inputValues,outer_id,propAlias,auto_fill,num_id,local_cid,navigation_type,user_name,syncStatus,"
    "is_lighting_consigment,is_xinpin,foodparame\r\n"
    "宝贝名称,宝贝类目,店铺类目,新旧程度,省,城市,出售方式,宝贝价格,加价幅度,宝贝数量,有效期,运费承担,平邮,EMS,快递,"
    "发票,保修,放入仓库,橱窗推荐,开始时间,宝贝描述,宝贝属性,邮费模版ID,会员打折,修改时间,上传状态,图片状态,返点比例,"
    "新图片,视频,销售属性组合,用户输入ID串,用户输入名-值对,商家编码,销售属性别名,代充类型,数字ID,本地ID,宝贝分类,"
    "账户名称,宝贝状态,闪电发货,新品,食品专项\r\n";

}  // namespace
