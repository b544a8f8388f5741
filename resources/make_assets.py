#!/usr/bin/env python3
"""Draws Quorvane's pictures with ImageMagick: banners, navigation buttons,
start-up picture and program icon. Run from anywhere; writes beside itself.

    python3 resources/make_assets.py

The results are kept in the repository and compiled in through quorvane.rc,
so the program reads nothing from files beside itself.
"""
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
RUST = "#B34718"      # the navigation bar's background (179, 71, 24)
DEEP = "#7E2C0C"
AMBER = "#F08A3C"
CREAM = "#FFF4EA"
GOLD = "#FFD27A"

# No time or date chunks, so a re-run reproduces the same bytes.
PNG_OUT = ["-strip", "-depth", "8", "-define", "png:exclude-chunks=date,time"]


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def out(name):
    return os.path.join(HERE, name)


# ---------------------------------------------------------------- banners
# 695x38. The left 150 pixels carry the page title; the page's hint text is
# laid over the rest at x = 160, so that part stays light and quiet.
BANNERS = [
    ("banner_start.jpg", "欢迎使用", "home"),
    ("banner_single.jpg", "单个采集", "tag"),
    ("banner_list.jpg", "列表采集", "list"),
    ("banner_shop.jpg", "店铺采集", "shop"),
    ("banner_config.jpg", "下载配置", "gear"),
    ("banner_help.jpg", "使用帮助", "help"),
]


def banner_mark(kind):
    """A small emblem for the banner in a 24x24 box at (10, 7): MVG lines."""
    x, y = 10, 7
    if kind == "home":
        return [f"polygon {x},{y+11} {x+12},{y} {x+24},{y+11}",
                f"rectangle {x+4},{y+11} {x+20},{y+23}"]
    if kind == "tag":
        return [f"polygon {x},{y+4} {x+14},{y+4} {x+24},{y+13} {x+14},{y+22} {x},{y+22}",
                "fill " + RUST, f"circle {x+5},{y+13} {x+5},{y+11}"]
    if kind == "list":
        return [f"rectangle {x},{y+2+i*8} {x+4},{y+6+i*8}" for i in range(3)] + \
               [f"rectangle {x+8},{y+3+i*8} {x+24},{y+5+i*8}" for i in range(3)]
    if kind == "shop":
        return [f"rectangle {x},{y+2} {x+24},{y+9}",
                f"rectangle {x+2},{y+11} {x+22},{y+23}",
                "fill " + RUST, f"rectangle {x+6},{y+15} {x+11},{y+23}"]
    if kind == "gear":
        return [f"circle {x+12},{y+12} {x+12},{y+1}",
                "fill " + RUST, f"circle {x+12},{y+12} {x+12},{y+7}"]
    return [f"circle {x+12},{y+12} {x+12},{y}",
            "fill " + RUST, "font '" + FONT + "'", "font-size 18", f"text {x+7},{y+19} '?'"]


def make_banner(name, title, kind):
    mvg = "\n".join(["fill white"] + banner_mark(kind))
    convert(
        "-size", "38x695", "gradient:" + CREAM + "-#FBE0C8", "-rotate", "-90",
        # the title block: a rust panel with a slanted right edge
        "-fill", RUST, "-draw", "polygon 0,0 150,0 136,38 0,38",
        "-fill", AMBER, "-draw", "polygon 150,0 155,0 141,38 136,38",
        "-fill", "#EFC6A6", "-draw", "line 0,37 695,37",
        "-draw", mvg,
        "-font", FONT, "-pointsize", "17", "-fill", "white",
        "-annotate", "+42+26", title,
        "-strip", "-quality", "92", "-sampling-factor", "1x1", out(name))


# ------------------------------------------------------ navigation buttons
# White glyphs with a warm shadow on a transparent ground: the bar paints
# them over its rust background. Drawn on a 128 grid, scaled for the 256 one.
def glyph_home():
    return ["polygon 64,14 118,62 104,62 104,112 24,112 24,62 10,62",
            "fill " + RUST, "rectangle 54,76 74,112",
            "fill " + GOLD, "rectangle 84,70 96,84"]


def glyph_tag():
    return ["polygon 18,30 74,30 116,64 74,98 18,98",
            "fill " + RUST, "circle 36,64 36,56",
            "fill " + GOLD, "rectangle 52,58 92,70"]


def glyph_list():
    rows = []
    for i in range(4):
        y = 24 + i * 24
        rows += ["fill " + GOLD, f"rectangle 14,{y} 30,{y+16}",
                 "fill white", f"roundrectangle 40,{y+3} 116,{y+13} 4,4"]
    return rows


def glyph_shop():
    parts = ["rectangle 18,58 110,114",
             "fill " + RUST, "rectangle 30,72 56,114",
             "fill " + GOLD, "rectangle 66,72 98,96"]
    for i in range(6):
        colour = "white" if i % 2 == 0 else GOLD
        x0 = 10 + i * 18
        parts += ["fill " + colour, f"polygon {x0},24 {x0+18},24 {x0+18},52 {x0},52"]
    parts += ["fill white", "rectangle 10,16 118,24"]
    return parts


def glyph_gear():
    parts = []
    for k in range(8):
        parts += ["push graphic-context", "translate 64,64", f"rotate {k * 45}",
                  "rectangle -10,-56 10,-36", "pop graphic-context"]
    parts += ["circle 64,64 64,22", "fill " + RUST, "circle 64,64 64,46",
              "fill " + GOLD, "circle 64,64 64,56"]
    return parts


def glyph_help():
    return ["circle 64,64 64,10",
            "fill " + RUST, "font '" + FONT + "'", "font-size 84",
            "text 38,94 '?'"]


def glyph_exit():
    return ["fill none", "stroke white", "stroke-width 14", "stroke-linecap round",
            "arc 22,24 106,108 -50,230",
            "stroke " + GOLD, "line 64,12 64,60"]


NAV = [
    ("nav_start.png", 256, glyph_home),
    ("nav_single.png", 128, glyph_tag),
    ("nav_list.png", 128, glyph_list),
    ("nav_shop.png", 128, glyph_shop),
    ("nav_config.png", 128, glyph_gear),
    ("nav_help.png", 128, glyph_help),
    ("nav_exit.png", 128, glyph_exit),
]


def make_nav(name, size, glyph):
    # Drawn four times over and scaled down, for clean edges at either size.
    mvg = "\n".join(["scale 4,4", "fill white"] + glyph())
    convert(
        "-size", "512x512", "xc:none", "-draw", mvg,
        "(", "+clone", "-background", DEEP, "-shadow", "70x10+6+10", ")",
        "+swap", "-background", "none", "-layers", "merge", "+repage",
        "-gravity", "center", "-extent", "512x512",
        "-filter", "Lanczos", "-resize", f"{size}x{size}!",
        *PNG_OUT, "PNG32:" + out(name))


# ------------------------------------------------------- start-up picture
def make_splash():
    convert(
        "-size", "460x280", "gradient:" + AMBER + "-" + DEEP,
        "-fill", "#FFFFFF18", "-draw", "circle 400,40 400,190",
        "-fill", "#FFFFFF10", "-draw", "circle 60,260 60,120",
        "-fill", "#00000030", "-draw", "rectangle 0,210 460,280",
        "-fill", "white", "-draw", "roundrectangle 36,58 116,138 16,16",
        "-fill", RUST, "-font", FONT, "-pointsize", "64", "-annotate", "+55+124", "Q",
        "-fill", "white", "-pointsize", "40", "-annotate", "+134+106", "Quorvane",
        "-fill", CREAM, "-pointsize", "18", "-annotate", "+136+134", "宝贝采集 · 数据包生成",
        "-fill", GOLD, "-pointsize", "14", "-annotate", "+36+252", "V3.06",
        "-fill", "white", "-pointsize", "13", "-annotate", "+300+252", "正在启动，请稍候……",
        *PNG_OUT, "PNG24:" + out("splash.png"))


# ------------------------------------------------------------ program icon
def make_icon():
    big = out("icon_256.png")
    convert(
        "-size", "256x256", "xc:none",
        "-fill", RUST, "-draw", "roundrectangle 8,8 248,248 48,48",
        "-fill", AMBER, "-draw", "roundrectangle 8,8 248,120 48,48",
        "-fill", RUST, "-draw", "rectangle 8,90 248,140",
        "-fill", "white", "-font", FONT, "-pointsize", "200",
        "-gravity", "center", "-annotate", "+0+8", "Q",
        *PNG_OUT, "PNG32:" + big)
    try:
        convert(big, "-define", "icon:auto-resize=256,48,32,24,16", out("quorvane.ico"))
    finally:
        os.remove(big)


def main():
    for name, title, kind in BANNERS:
        make_banner(name, title, kind)
    for name, size, glyph in NAV:
        make_nav(name, size, glyph)
    make_splash()
    make_icon()


if __name__ == "__main__":
    main()
