-- A thumbnail at most 160 pixels wide or high. Asks for a picture; without one (batch mode
-- cancels every dialog) it makes a test card of its own.
local source, thumb, scratch = 1, 0, 2
local LIMIT = 160

local function testCard()
    local w, h = 640, 480
    pwCreateImage(source, w, h, RGB(0, 0, 0))
    local bars = { RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 255, 255), RGB(0, 255, 0),
                   RGB(255, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255) }
    local barWidth = math.ceil(w / #bars)
    for i, colour in ipairs(bars) do
        pwCreateImage(scratch, barWidth, h * 3 / 4, colour)
        pwPutImage(source, scratch, (i - 1) * barWidth, 0, 255)
    end
    pwColorFade(source, source, 0, h * 3 / 4, w - 1, h - 1, "LEFT-RIGHT", RGB(255, 255, 255))
end

local name = pwGetImageFileName()
if name == 0 or pwImageFromFile(name, source) ~= 0 then
    testCard()
end

local w, h = pwGetImage_WIDTH(source), pwGetImage_HEIGHT(source)
local scale = math.min(1, LIMIT / math.max(w, h))
local tw = math.max(1, math.floor(w * scale + 0.5))
local th = math.max(1, math.floor(h * scale + 0.5))
pwResize(thumb, source, tw, th)
if pwSaveImage("thumbnail.bmp", thumb) == 0 then
    pwInfo("Saved thumbnail.bmp, " .. tw .. " x " .. th .. " from " .. w .. " x " .. h)
end
